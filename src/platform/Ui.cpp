#include "platform/Ui.h"

#include <cstdio>
#include <cstdlib>

namespace vantor {

namespace {
Ui* g_ui = nullptr;
thread_local Ui* t_ui = nullptr;
}  // namespace

Ui& TheUi() {
    if (t_ui != nullptr) return *t_ui;
    if (g_ui == nullptr) {
        std::fputs("vantor: no user interface installed\n", stderr);
        std::abort();
    }
    return *g_ui;
}

void SetTheUi(Ui* ui) { g_ui = ui; }

ScopedUi::ScopedUi(Ui& ui) : m_previous(g_ui) { g_ui = &ui; }
ScopedUi::~ScopedUi() { g_ui = m_previous; }

ThreadUi::ThreadUi(Ui& ui) : m_previous(t_ui) { t_ui = &ui; }
ThreadUi::~ThreadUi() { t_ui = m_previous; }

int AfxMessageBox(const std::string& text, MsgButtons buttons, MsgIcon icon) {
    return TheUi().MessageBox(text, kAppTitle, buttons, icon);
}

}  // namespace vantor
