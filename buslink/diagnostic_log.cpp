#include "buslink/diagnostic_log.h"

namespace kavro {

DiagnosticLog::DiagnosticLog(std::string title) : title_(std::move(title)) {}

void DiagnosticLog::create() {
    if (exists_) return;
    // A new window starts from the main window's DiagText, which nothing
    // ever assigns: an empty log in black.
    exists_ = true;
    visible_ = false;
    text_.clear();
    colour_ = kLogBlack;
}

void DiagnosticLog::prepend(const std::string& entry) {
    create();
    std::string joined = entry + text_;
    if (joined.size() > kMaxChars) joined.resize(kMaxChars);
    text_ = std::move(joined);
    if (entryObserver_) entryObserver_(entry);
    changed();
}

void DiagnosticLog::setColour(Rgb colour) {
    create();
    colour_ = colour;
    changed();
}

void DiagnosticLog::show() {
    create();
    visible_ = true;
    changed();
}

void DiagnosticLog::close() {
    exists_ = false;
    visible_ = false;
    text_.clear();
    colour_ = kLogBlack;
    changed();
}

void DiagnosticLog::changed() {
    if (observer_) observer_();
}

}  // namespace kavro
