#include "gui/history_window.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QVBoxLayout>

#include "buslink/field_parsers.h"

namespace kavro {
namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// How an entry ended, as the command-line tool's history says it.
QString Result(const JournalEntry& e) {
    if (e.outcome == journal_outcome::kUnfinished) return "unfinished: the program ended during the write";
    QString result = Text(e.result.empty() ? e.outcome : e.result);
    if (e.isWrite() && e.verified) result += *e.verified ? ", verified" : ", read back: differs or failed";
    return result;
}

}  // namespace

HistoryWindow::HistoryWindow(SwitchTool& form, QWidget* parent) : QDialog(parent), form_(form) {
    setObjectName("historyWindow");
    setWindowTitle("History");
    auto* layout = new QVBoxLayout(this);
    title_ = new QLabel;
    title_->setObjectName("historyTitle");
    title_->setWordWrap(true);
    layout->addWidget(title_);
    entries_ = new QTreeWidget;
    entries_->setObjectName("historyEntries");
    entries_->setAccessibleName("Journal entries, newest first");
    entries_->setRootIsDecorated(false);
    entries_->setAllColumnsShowFocus(true);
    entries_->setHeaderLabels({"Time (UTC)", "Event", "Result", "Address before", "Address written", "Bus", "File"});
    entries_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    title_->setBuddy(entries_);
    layout->addWidget(entries_);

    auto* buttons = new QDialogButtonBox;
    load_ = buttons->addButton("&Load", QDialogButtonBox::ActionRole);
    load_->setObjectName("historyLoad");
    load_->setToolTip("Put this configuration on the screen, as Import Config does");
    restore_ = buttons->addButton("&Restore...", QDialogButtonBox::ActionRole);
    restore_->setObjectName("historyRestore");
    restore_->setToolTip("Write this configuration into the switch: it is read and kept first, then written and read back");
    buttons->addButton(QDialogButtonBox::Close)->setObjectName("historyClose");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(load_, &QPushButton::clicked, this, [this] {
        const qint64 entry = chosen();
        accept();
        emit loadChosen(entry);
    });
    connect(restore_, &QPushButton::clicked, this, [this] {
        const qint64 entry = chosen();
        accept();
        emit restoreChosen(entry);
    });
    connect(entries_, &QTreeWidget::currentItemChanged, this, [this] {
        const bool any = chosen() != 0;
        load_->setEnabled(any);
        restore_->setEnabled(any);
    });
    resize(900, 420);
    refresh();
}

qint64 HistoryWindow::chosen() const {
    const QTreeWidgetItem* item = entries_->currentItem();
    return item ? item->data(0, Qt::UserRole).toLongLong() : 0;
}

void HistoryWindow::refresh() {
    std::string problem;
    const std::vector<JournalEntry> entries = form_.screenHistory(&problem);
    entries_->clear();
    const QString address = Text(AddressShown(form_.screen().switchAddress.text()));
    title_->setText(!problem.empty() ? Text(problem)
                    : entries.empty()
                        ? "The journal holds nothing of switch " + address + " on this port."
                        : "&Entries of switch " + address + " on " + Text(BusText(form_.bus())) + ", newest first:");
    for (const JournalEntry& e : entries) {
        auto* item = new QTreeWidgetItem(
            entries_, {Text(e.time), Text(e.event), Result(e), Text(e.address), e.isWrite() ? Text(e.addressWritten) : "",
                       Text(BusText(e.bus)) + (e.bus.site.empty() ? "" : ", site " + Text(e.bus.site)), Text(e.file)});
        // Load and Restore take what an entry keeps: a read's configuration,
        // a write's backup; a site's start keeps none.
        item->setData(0, Qt::UserRole, e.event == journal_event::kSiteSend ? qint64{0} : qint64{e.id});
    }
    if (entries_->topLevelItemCount() > 0) entries_->setCurrentItem(entries_->topLevelItem(0));
    const bool any = chosen() != 0;
    load_->setEnabled(any);
    restore_->setEnabled(any);
    entries_->setFocus();
}

}  // namespace kavro
