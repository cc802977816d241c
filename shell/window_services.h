#pragma once
// Everything the application asks of the user interface: the services of
// the lower layers, and the windows the application itself opens.

#include <string>

#include "buslink/comm_port_selection.h"
#include "buslink/diagnostic_log.h"
#include "configfile/file_windows.h"

namespace kavro {

// What to do when start-up has no usable port and the user cancelled the
// port selection.
enum class NoPortChoice { ChooseAgain, UseSimulator, Quit };

class WindowServices : public FileWindows {
public:
    // Shows the port selection window. Modal: returns once it is closed.
    virtual void showPortSelection(CommPortSelection& window, bool modal) = 0;
    // Shows (or brings up) the diagnostic window with its log.
    virtual void showDiagnostic(DiagnosticLog& log) = 0;
    // Start-up found no usable port and the user cancelled the selection:
    // the way out. offerSimulator is false where no simulated switch exists.
    virtual NoPortChoice askNoPort(const std::string& text, bool offerSimulator) = 0;
    // A question with two answers, the buttons captioned by what they do
    // ("Send", "Do Not Send"). Enter takes the default answer, Escape the
    // second. True for the first.
    virtual bool askYesNo(const std::string& text, const std::string& yes, const std::string& no,
                          bool defaultYes) = 0;
};

}  // namespace kavro
