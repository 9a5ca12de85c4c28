#include "platform/qt/QtDialog.h"

#include <QAbstractListModel>
#include <QAbstractSlider>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPen>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/Ui.h"

namespace vantor {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

// A layer over the whole dialog that draws its decoration circle and lets every
// mouse event through to the controls beneath.
class DecorationLayer : public QWidget {
public:
    DecorationLayer(QWidget* parent, const Dialog& dialog) : QWidget(parent), m_dialog(dialog) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const auto& circle = m_dialog.Circle();
        if (!circle) return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(circle->color.r, circle->color.g, circle->color.b), circle->penWidth));
        const Rect& r = circle->bounds;
        painter.drawEllipse(QRect(r.left, r.top, r.Width(), r.Height()));
    }

private:
    const Dialog& m_dialog;
};

// The lines of a list box, converted for display only when a row is drawn, so a
// list of many thousand lines opens at once.
class LinesModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
        return Text(m_lines[static_cast<std::size_t>(index.row())]);
    }
    // Replaces the lines when they differ; true when they did.
    bool SetLines(const std::vector<std::string>& lines) {
        if (lines == m_lines) return false;
        beginResetModel();
        m_lines = lines;
        endResetModel();
        return true;
    }

private:
    std::vector<std::string> m_lines;
};

LinesModel* ModelOf(QListView* list) { return static_cast<LinesModel*>(list->model()); }

}  // namespace

QtDialog::QtDialog(Dialog& dialog, QWidget* parent) : QDialog(parent), m_dialog(dialog) {
    setWindowTitle(Text(dialog.Template().title));
    auto* rows = new QVBoxLayout(this);
    QHBoxLayout* row = nullptr;
    for (const ControlTemplate& c : dialog.Template().controls) {
        QWidget* widget = nullptr;
        const int id = c.id;
        switch (c.kind) {
            case ControlKind::Static: {
                auto* label = new QLabel(Text(c.text));
                label->setTextFormat(Qt::PlainText);
                widget = label;
                break;
            }
            case ControlKind::Edit: {
                auto* edit = new QLineEdit;
                edit->setMinimumWidth(80);
                widget = edit;
                break;
            }
            case ControlKind::Button:
            case ControlKind::DefButton: {
                auto* button = new QPushButton(Text(c.text));
                button->setAutoDefault(false);
                button->setDefault(c.kind == ControlKind::DefButton);
                connect(button, &QPushButton::clicked, this, [this, id] { ClickControl(id); });
                widget = button;
                break;
            }
            case ControlKind::Radio:
            case ControlKind::Check: {
                QAbstractButton* button = c.kind == ControlKind::Radio
                                              ? static_cast<QAbstractButton*>(new QRadioButton(Text(c.text)))
                                              : new QCheckBox(Text(c.text));
                // Groups and toggling are the dialog's business; the widget only shows the result.
                button->setAutoExclusive(false);
                connect(button, &QAbstractButton::clicked, this, [this, id] { ClickControl(id); });
                widget = button;
                break;
            }
            case ControlKind::GroupBox: widget = new QGroupBox(Text(c.text)); break;
            case ControlKind::HScroll: {
                auto* bar = new QScrollBar(Qt::Horizontal);
                bar->setMinimumWidth(200);
                connect(bar, &QAbstractSlider::actionTriggered, this, [this, id, bar](int action) {
                    switch (action) {
                        case QAbstractSlider::SliderSingleStepSub: ScrollControl(id, ScrollCode::LineLeft, 0); break;
                        case QAbstractSlider::SliderSingleStepAdd: ScrollControl(id, ScrollCode::LineRight, 0); break;
                        case QAbstractSlider::SliderPageStepSub: ScrollControl(id, ScrollCode::PageLeft, 0); break;
                        case QAbstractSlider::SliderPageStepAdd: ScrollControl(id, ScrollCode::PageRight, 0); break;
                        case QAbstractSlider::SliderMove:
                            if (bar->isSliderDown()) ScrollControl(id, ScrollCode::ThumbTrack, bar->sliderPosition());
                            break;
                        default: break;
                    }
                });
                connect(bar, &QAbstractSlider::sliderReleased, this, [this, id, bar] {
                    ScrollControl(id, ScrollCode::ThumbPosition, bar->sliderPosition());
                    ScrollControl(id, ScrollCode::EndScroll, 0);
                });
                widget = bar;
                break;
            }
            case ControlKind::ListBox: {
                auto* list = new QListView;
                list->setModel(new LinesModel(list));
                // Every line has the same height: the view lays out 10000 lines without measuring each.
                list->setUniformItemSizes(true);
                list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
                list->setEditTriggers(QAbstractItemView::NoEditTriggers);
                list->setSelectionMode(c.multiSelect ? QAbstractItemView::ExtendedSelection
                                                     : QAbstractItemView::SingleSelection);
                list->setMinimumSize(480, 240);
                connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                        [this, id] { SelChangeControl(id); });
                widget = list;
                break;
            }
        }
        if (row == nullptr || !c.sameRow) {
            row = new QHBoxLayout;
            rows->addLayout(row);
        }
        row->addWidget(widget);
        if (id >= 0) m_widgets[id] = widget;
    }
    m_decoration = new DecorationLayer(this, dialog);
    const DialogTemplate& t = dialog.Template();
    if (t.fontPoints > 0) {
        QFont f = font();
        f.setPointSize(t.fontPoints);
        setFont(f);
    }
    if (t.width > 0 && t.height > 0) {
        // Dialog units: a quarter of the font's average character width, an eighth of its height.
        const QFontMetrics metrics(font());
        resize(t.width * metrics.averageCharWidth() / 4, t.height * metrics.height() / 8);
    }
}

void QtDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_decoration->setGeometry(rect());
    m_decoration->raise();
}

QWidget* QtDialog::ControlWidget(int id) const {
    auto it = m_widgets.find(id);
    return it == m_widgets.end() ? nullptr : it->second;
}

void QtDialog::PushStates() {
    for (const auto& [id, widget] : m_widgets) {
        if (!m_dialog.HasControl(id)) continue;
        const ControlState& s = m_dialog.Control(id);
        // Showing a state is not a user action: no reactions from here.
        const QSignalBlocker quiet(widget);
        widget->setEnabled(s.enabled);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            if (edit->text() != Text(s.text)) edit->setText(Text(s.text));
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(Text(s.text));
            if (button->isCheckable()) button->setChecked(s.checked);
        } else if (auto* bar = qobject_cast<QScrollBar*>(widget)) {
            bar->setRange(s.scrollMin, s.scrollMax);
            // While the user drags, the thumb follows the mouse until it is released.
            if (!bar->isSliderDown()) {
                // Inside an action the slider applies its own position afterwards; this one wins.
                bar->setSliderPosition(s.scrollPos);
                bar->setValue(s.scrollPos);
            }
        } else if (auto* list = qobject_cast<QListView*>(widget)) {
            LinesModel* model = ModelOf(list);
            model->SetLines(s.items);
            QItemSelectionModel* selection = list->selectionModel();
            QItemSelection wanted;
            for (int index : s.selection) {
                if (index >= 0 && index < model->rowCount()) wanted.select(model->index(index), model->index(index));
            }
            {
                const QSignalBlocker quietSelection(selection);
                selection->select(wanted, QItemSelectionModel::ClearAndSelect);
            }
            list->viewport()->update();
        }
    }
}

void QtDialog::PullStates() {
    for (const auto& [id, widget] : m_widgets) {
        if (!m_dialog.HasControl(id)) continue;
        ControlState& s = m_dialog.Control(id);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            s.text = edit->text().toStdString();
        } else if (auto* list = qobject_cast<QListView*>(widget)) {
            s.selection.clear();
            for (const QModelIndex& index : list->selectionModel()->selectedIndexes())
                s.selection.push_back(index.row());
            std::sort(s.selection.begin(), s.selection.end());
        }
    }
}

template <class F>
void QtDialog::React(F reaction) {
    PullStates();
    reaction();
    PushStates();
    m_decoration->update();
    if (m_dialog.Ended()) done(m_dialog.Result());
}

void QtDialog::ClickControl(int id) {
    React([this, id] { m_dialog.Click(id); });
}

void QtDialog::ScrollControl(int id, ScrollCode code, int pos) {
    React([this, id, code, pos] { m_dialog.Scroll(id, code, pos); });
}

void QtDialog::SelChangeControl(int id) {
    React([this, id] { m_dialog.OnSelChange(id); });
}

// Esc and the close box.
void QtDialog::reject() {
    React([this] { m_dialog.OnCancel(); });
}

void QtDialog::Init() {
    m_dialog.Reset();
    m_dialog.OnInitDialog();
    PushStates();
}

int QtDialog::Run() {
    Init();
    if (m_dialog.Ended()) return m_dialog.Result();
    exec();
    return m_dialog.Ended() ? m_dialog.Result() : IDCANCEL;
}

}  // namespace vantor
