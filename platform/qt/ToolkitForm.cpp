// A form's window: the top-level widget, its controls, menu bar, shortcuts
// and timers, and its part of the event handling. What an event means is
// the form engine's business (platform/Form.cpp).
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>

#include <algorithm>
#include <climits>

#include "platform/ToolkitRules.h"
#include "platform/qt/ToolkitImpl.h"

namespace pelmor::qt {

namespace {

QKeySequence KeySequence(const toolkit::Shortcut& s) {
    Qt::KeyboardModifiers mods;
    if (s.ctrl) mods |= Qt::ControlModifier;
    if (s.shift) mods |= Qt::ShiftModifier;
    if (s.alt) mods |= Qt::AltModifier;
    // Letters and digits are their own key codes in both systems; F1..F24
    // follow each other in both.
    int key = s.key >= 0x70 && s.key < 0x70 + 24 ? Qt::Key_F1 + static_cast<int>(s.key - 0x70)
                                                 : static_cast<int>(s.key);
    return QKeySequence(QKeyCombination(mods, static_cast<Qt::Key>(key)));
}

}  // namespace

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    input_.CloseRequest();
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    input_.CloseRequest();
}

// Enter goes to the default button as QDialog does it; Esc is the engine's
// (QDialog would reject).
void DialogWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        input_.CancelKey();
        return;
    }
    QDialog::keyPressEvent(event);
}

Form::Form(Toolkit& kit, const Layout& layout, IFormInput& input, bool mainForm, QWidget* owner)
    : kit_(kit), layout_(layout), input_(input), main_(mainForm), font_(kit.FormFont(layout_.form)) {
    CreateFrame(owner);
}

void Form::CreateFrame(QWidget* owner) {
    const LayoutNode& f = layout_.form;
    if (main_) {
        window_ = std::make_unique<MainWindow>(input_);
    } else {
        window_ = std::make_unique<DialogWindow>(input_, owner);
    }
    QWidget* w = window_.get();
    w->setObjectName(QString::fromStdString(f.name));
    w->setWindowTitle(ToQ(f.Str("caption")));
    w->setFont(font_);

    std::vector<std::string> icons = f.List("icons");
    if (!f.Has("icons")) icons = {"sysmenu", "minimize", "maximize"};
    auto has = [&](const char* icon) { return std::find(icons.begin(), icons.end(), icon) != icons.end(); };
    Qt::WindowFlags flags = (main_ ? Qt::Window : Qt::Dialog) | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (has("sysmenu")) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (f.Str("border", "sizeable") != "dialog") {
        if (has("minimize")) flags |= Qt::WindowMinimizeButtonHint;
        if (has("maximize")) flags |= Qt::WindowMaximizeButtonHint;
    }
    w->setWindowFlags(flags);
}

// The menu bar is in place: the client area starts below it, and the
// window is placed.
void Form::MenuDone() {
    const LayoutNode& f = layout_.form;
    QWidget* w = window_.get();
    auto [cw, ch] = f.Pair("client", 0);
    if (menuBar_) {
        top_ = menuBar_->heightForWidth(cw);
        if (top_ <= 0) top_ = menuBar_->sizeHint().height();
        menuBar_->setGeometry(0, 0, cw, top_);
    }
    // Fixed: none of the forms can be resized.
    w->setFixedSize(cw, ch + top_);

    if (f.Flag("centered")) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect area = screen->availableGeometry();
            w->move(area.x() + (area.width() - cw) / 2, area.y() + (area.height() - ch - top_) / 2);
        }
    } else if (f.Has("position")) {
        auto [x, y] = f.Pair("position");
        w->move(x, y);
    }
}

// Where the layout puts it; screen readers name a control by its caption,
// one without by its name in the layout. Only the controls of the tab order
// take the focus.
QWidget* Form::Place(QWidget* widget, const LayoutNode& node, const QString& text, int x, int y, int w, int h) {
    QString name = QString::fromStdString(node.name);
    widget->setObjectName(name);
    if (text.isEmpty()) widget->setAccessibleName(name);
    widget->setGeometry(x, y + top_, w, h);
    if (node.Has("hint")) widget->setToolTip(ToQ(node.Str("hint")));
    if (!node.Has("tab")) widget->setFocusPolicy(Qt::NoFocus);
    return widget;
}

// Clicks and menu commands reach the engine from the event loop, as Windows
// posts them: whoever pressed the button (a screen reader's action, say) is
// not held up while the handler's dialog is open.
std::unique_ptr<IControl> Form::CreateControl(const LayoutNode& node, int id) {
    const std::string& k = node.kind;
    QWidget* parent = window_.get();
    auto [x, y] = node.Pair("at");
    auto [w, h] = node.Pair("size");
    QString text = ToQ(node.Str("caption", node.Str("text")));
    QWidget* widget = nullptr;

    if (k == "label") {
        auto* label = new QLabel(text, parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setTextFormat(Qt::PlainText);
        // One line, whole: a label laid out for the designed font grows when
        // the font in use is wider.
        QSize need = label->fontMetrics().size(Qt::TextSingleLine, text);
        w = std::max(w, need.width());
        h = std::max(h, need.height());
        widget = label;
    } else if (k == "edit") {
        widget = new QLineEdit(text, parent);
    } else if (k == "memo") {
        auto* memo = new QPlainTextEdit(text, parent);
        // No scroll bars, as on Windows, where a themed one was redrawn for
        // every typed character; the text scrolls to the caret by itself.
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        memo->setTabChangesFocus(true);
        widget = memo;
    } else if (k == "checkbox") {
        auto* box = new QCheckBox(text, parent);
        box->setChecked(node.Flag("checked"));
        widget = box;
    } else if (k == "listbox") {
        auto* list = new QListWidget(parent);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setUniformItemSizes(true);
        widget = list;
    } else if (k == "button") {
        auto* button = new QPushButton(text, parent);
        if (node.Flag("default")) button->setDefault(true);
        widget = button;
    } else if (k == "speedbutton") {
        auto* button = new QToolButton(parent);
        button->setAutoRaise(node.Flag("flat"));
        QPixmap glyph = kit_.Glyph(node.Str("glyph"));
        if (!glyph.isNull()) {
            button->setIcon(QIcon(glyph));
            button->setIconSize(glyph.size());
        }
        // The glyph shows; the hint names the button for screen readers.
        if (text.isEmpty()) text = ToQ(node.Str("hint"));
        button->setText(text);
        button->setToolButtonStyle(glyph.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
        widget = button;
    } else {  // bevel
        auto* frame = new QFrame(parent);
        std::string shape = node.Str("shape", "box");
        frame->setFrameShadow(QFrame::Sunken);
        if (shape == "topline" || shape == "bottomline") {
            frame->setFrameShape(QFrame::HLine);
            if (shape == "bottomline") y += h - 2;
            h = 2;
        } else if (shape == "leftline" || shape == "rightline") {
            frame->setFrameShape(QFrame::VLine);
            if (shape == "rightline") x += w - 2;
            w = 2;
        } else {
            frame->setFrameShape(QFrame::Box);
        }
        widget = frame;
    }
    Place(widget, node, text, x, y, w, h);

    auto control = std::make_unique<Widget>(widget, k == "listbox" ? node.Int("itemheight", 0) : 0);
    if (auto* button = qobject_cast<QAbstractButton*>(widget); button && node.Has("OnClick")) {
        QObject::connect(button, &QAbstractButton::clicked, button, [this, id] { input_.Clicked(id); },
                         Qt::QueuedConnection);
    }
    widgetById_[id] = control.get();
    return control;
}

std::unique_ptr<IStatusBar> Form::CreateStatusBar(const LayoutNode& node, int) {
    auto* bar = new QStatusBar(window_.get());
    bar->setSizeGripEnabled(false);
    QString name = QString::fromStdString(node.name);
    std::vector<int> widths = node.Ints("panels");
    std::vector<QPointer<QLabel>> panels;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(name + "." + QString::number(i));
        // A panel's name is its text; the description tells which it is.
        panel->setAccessibleDescription(panel->objectName());
        panel->setTextFormat(Qt::PlainText);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        // The last panel reaches to the bar's right end, so a long text
        // in it stays readable.
        bool last = i + 1 == widths.size();
        if (!last) panel->setFixedWidth(widths[i]);
        bar->addWidget(panel, last ? 1 : 0);
        panels.push_back(panel);
    }
    auto [x, y] = node.Pair("at");
    auto [w, h] = node.Pair("size");
    Place(bar, node, QString(), x, y, w, h);
    return std::make_unique<StatusBarImpl>(std::move(panels));
}

std::unique_ptr<IImage> Form::CreateImage(const LayoutNode& node, int) {
    auto [x, y] = node.Pair("at");
    auto [w, h] = node.Pair("size");
    QPixmap icon = node.Has("icon") ? kit_.IconResource(node.Str("icon"), std::min(w, h)) : QPixmap();
    auto image = std::make_unique<ImageImpl>(w, h, icon);
    auto* view = new ImageView(*image, window_.get());
    image->SetView(view);
    Place(view, node, QString(), x, y, w, h);
    return image;
}

std::unique_ptr<IOpenDialog> Form::CreateOpenDialog(const LayoutNode& node) {
    return std::make_unique<OpenDialogImpl>(*this, node);
}

void Form::AddMenuItem(int parent, int id, const LayoutNode& item, MenuEntry entry,
                       const toolkit::Shortcut* shortcut) {
    if (!menuBar_) {
        menuBar_ = new QMenuBar(window_.get());
        menuBar_->setObjectName(QString::fromStdString(layout_.form.Str("menu")));
        menuBar_->setAccessibleName(menuBar_->objectName());
        // In the window, where the layout has it, also under desktops that
        // would move it to a global menu.
        menuBar_->setNativeMenuBar(false);
    }
    QMenu* menu = parent ? submenus_.at(parent) : nullptr;
    QString caption = ToQ(item.Str("caption"));
    QAction* action = nullptr;
    if (entry == MenuEntry::Separator) {
        if (menu) menu->addSeparator();
    } else if (entry == MenuEntry::Submenu) {
        QMenu* sub = menu ? menu->addMenu(caption) : menuBar_->addMenu(caption);
        sub->setObjectName(QString::fromStdString(item.name));
        // A pop-up is a window of its own and takes no font from its parent.
        sub->setFont(font_);
        submenus_[id] = sub;
        action = sub->menuAction();
    } else {
        action = menu ? menu->addAction(caption) : menuBar_->addAction(caption);
        if (shortcut) {
            action->setShortcut(KeySequence(*shortcut));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        QObject::connect(action, &QAction::triggered, action, [this, id] { input_.MenuCommand(id); },
                         Qt::QueuedConnection);
    }
    if (action) action->setObjectName(QString::fromStdString(item.name));
    actions_[id] = action;
}

void Form::SetTabOrder(const std::vector<int>& ids) {
    tabOrder_ = ids;
    QWidget* previous = nullptr;
    for (int id : ids) {
        QWidget* w = widgetById_.count(id) ? widgetById_[id]->widget.data() : nullptr;
        if (!w) continue;
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

// The first control of the tab order takes the focus; an edit that gets it
// that way shows its text selected, as in a dialog.
void Form::FocusFirst() {
    for (int id : tabOrder_) {
        QWidget* w = widgetById_.count(id) ? widgetById_[id]->widget.data() : nullptr;
        if (!w || !w->isEnabled()) continue;
        w->setFocus(Qt::TabFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->selectAll();
        return;
    }
}

void Form::CreateTimer(const LayoutNode& node, int id) {
    auto timer = std::make_unique<QTimer>();
    timer->setObjectName(QString::fromStdString(node.name));
    QObject::connect(timer.get(), &QTimer::timeout, [this, id] { input_.TimerDue(id); });
    timers_[id] = std::move(timer);
}

// At most the longest a QTimer takes; start restarts a running one.
void Form::StartTimer(int id, std::uint32_t ms) {
    timers_.at(id)->start(static_cast<int>(std::min<std::uint32_t>(ms, INT_MAX)));
}

void Form::Show() {
    if (!window_) return;
    window_->show();
    // The program's first window takes the keyboard, as it does on Windows;
    // without a window manager nobody else would give it.
    window_->activateWindow();
    FocusFirst();
}

// The nested loop keeps every timer of the program running.
void Form::RunModal() {
    static_cast<QDialog*>(window_.get())->setWindowModality(Qt::ApplicationModal);
    FocusFirst();
    static_cast<QDialog*>(window_.get())->exec();
}

// Activation goes back to the owner as the dialog goes.
void Form::ModalDone() {
    if (QWidget* owner = window_->parentWidget(); owner && owner->isVisible()) owner->activateWindow();
}

// Ends the main loop and every modal loop inside it.
void Form::EndMain() {
    window_->hide();
    QCoreApplication::exit(0);
}

void Form::PostClose() { QMetaObject::invokeMethod(window_.get(), [this] { input_.CloseRequest(); }, Qt::QueuedConnection); }

}  // namespace pelmor::qt
