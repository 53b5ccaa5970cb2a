#include "processing/filters_support.h"

#include "core/messages.h"
#include "platform/platform.h"

FilterProgressWindow::FilterProgressWindow(const std::string& caption) {
    Sys().system->SetBusyCursor(true);
    Sys().progress->Open("Filter Progress");
    Sys().progress->SetCaption(caption);
}

FilterProgressWindow::~FilterProgressWindow() {
    Sys().progress->Close();
    Sys().system->SetBusyCursor(false);
}

void FilterProgressWindow::SetPosition(int position) {
    if (position == last_) return;
    last_ = position;
    Sys().progress->SetPosition(position);
}

ProgressFn FilterProgressWindow::Callback() {
    return [this](int position) { SetPosition(position); };
}

bool RefuseParameter(const std::string& text) {
    ShowMessage(50, text);
    return false;
}
