// The window program's shell on the offscreen platform: the main window's
// title, the two buttons of this layer, and closing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "buslink/bus_link.h"
#include "support/gui_fixture.h"

namespace kavro {
namespace {

using GuiShell = test::GuiFixture;

TEST_F(GuiShell, TitleCarriesTheVersion) {
    EXPECT_EQ(window->windowTitle(), "Kavro Smart Switch Configuration  -  Version 3.1.1");
}

TEST_F(GuiShell, DiagnosticButtonShowsTheLogCollectedSoFar) {
    // An exchange before the window was ever shown.
    const Bytes query{0x80, 0xF4, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::copy(query.begin(), query.end(), form->bus.transmit.begin());
    AppendChecksum(form->bus.transmit, 11);
    form->bus.sendFrame(11);
    form->bus.receiveFrame(13);

    window->button("DIAG")->click();
    DiagnosticWindow* diag = ui.diagnosticWindow();
    ASSERT_NE(diag, nullptr);
    EXPECT_TRUE(diag->isVisible());
    EXPECT_EQ(diag->windowTitle(), "Diagnostic  -  Version 3.1.1");
    const QString text = diag->logBox()->toPlainText();
    EXPECT_TRUE(text.startsWith("RCV= 13\n-->80 ")) << text.toStdString();
    EXPECT_TRUE(text.contains("<--80 F4 FF FE FF FF FF FF FF 08 6C \n"));
    EXPECT_EQ(diag->logBox()->palette().color(QPalette::Text), QColor(0, 0, 0));

    form->bus.sendFrame(11);
    EXPECT_EQ(diag->logBox()->palette().color(QPalette::Text), QColor(255, 0, 255));

    // Closing the window discards its log; DIAG then shows an empty one.
    diag->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    window->button("DIAG")->click();
    ASSERT_NE(ui.diagnosticWindow(), nullptr);
    EXPECT_TRUE(ui.diagnosticWindow()->logBox()->toPlainText().isEmpty());
}

TEST_F(GuiShell, SelectCommOpensTheSelectionWindowWithoutBlocking) {
    window->button("SelComm")->click();  // returns: the window is not modal
    window->button("SelComm")->click();  // brings the same window up again
    EXPECT_EQ(window->findChildren<PortSelectionDialog*>().size(), 1);
    PortSelectionDialog* dialog = ui.portSelectionDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle(), "Comm Port Selection");
    auto* cancel = dialog->findChild<QPushButton*>("xcmdCancel");
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    EXPECT_FALSE(form->portSelection->isOpen());
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(GuiShell, ClosingTheMainWindowClosesThePortAndTheOtherWindows) {
    window->button("DIAG")->click();
    window->close();
    EXPECT_FALSE(form->port().isOpen());
    EXPECT_FALSE(ui.diagnosticWindow() && ui.diagnosticWindow()->isVisible());
}

}  // namespace
}  // namespace kavro
