// A modal window built from a dialog's template. The Dialog object keeps the
// state of every control; this window only shows it and reports the user's
// actions back (clicks, slider moves, list selections).
#pragma once

#include <QDialog>
#include <map>

#include "platform/Dialog.h"

namespace vantor {

class QtDialog : public QDialog {
    Q_OBJECT
public:
    explicit QtDialog(Dialog& dialog, QWidget* parent = nullptr);

    // Runs OnInitDialog and shows its result in the widgets.
    void Init();
    // Init, then the modal run; returns IDOK or IDCANCEL.
    int Run();

    QWidget* ControlWidget(int id) const;

    // The reactions, as the widgets' signals call them (tests call them too).
    void ClickControl(int id);
    void ScrollControl(int id, ScrollCode code, int pos);
    void SelChangeControl(int id);

    // Pushes every control state into its widget.
    void PushStates();

public slots:
    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PullStates();
    // Runs one reaction between a pull and a push; closes the window when it ends the dialog.
    template <class F>
    void React(F reaction);

    Dialog& m_dialog;
    std::map<int, QWidget*> m_widgets;
    QWidget* m_decoration = nullptr;  // draws the dialog's circle over its controls
};

}  // namespace vantor
