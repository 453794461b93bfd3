// A form: a top-level widget built from its layout, its controls, menu bar,
// shortcuts and timers, and its part of the event handling.
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

// --- top-level widgets ------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    form_.CloseBox();
}

void DialogWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    form_.CloseBox();
}

// Enter goes to the default button as QDialog does it; Esc clicks the
// cancel button, and without one does nothing (QDialog would reject).
void DialogWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        form_.CancelKey();
        return;
    }
    QDialog::keyPressEvent(event);
}

// --- Form -------------------------------------------------------------------

Form::Form(Toolkit& kit, const Layout& layout, IFormEvents& events, bool mainForm, QWidget* owner)
    : kit_(kit), layout_(layout), events_(events), main_(mainForm), font_(kit.FormFont(layout_.form)) {
    CreateFrame(owner);
    for (const LayoutNode& node : layout_.nodes) CreateControl(node);
    ArrangeTabOrder();
}

Form::~Form() {
    for (auto& [name, timer] : timers_) timer->Stop();
    kit_.Forget(this);
    window_.reset();
}

void Form::CreateFrame(QWidget* owner) {
    const LayoutNode& f = layout_.form;
    if (main_) {
        window_ = std::make_unique<MainWindow>(*this);
    } else {
        window_ = std::make_unique<DialogWindow>(*this, owner);
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

    if (f.Has("menu")) {
        if (const LayoutNode* menu = layout_.Find(f.Str("menu"))) BuildMenu(*menu);
    }
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

void Form::CreateControl(const LayoutNode& node) {
    const std::string& k = node.kind;
    if (k == "menu" || k == "ddeclient") return;  // the menu came with the frame
    if (k == "timer") {
        std::string handler = node.Str("OnTimer");
        timers_.emplace(node.name, std::make_unique<TimerImpl>(
                                       static_cast<std::uint32_t>(node.Int("interval", 1000)),
                                       node.Has("enabled") ? node.Flag("enabled") : true,
                                       [this, handler] { Fire(handler); }));
        return;
    }
    if (k == "opendialog") {
        openDialogs_.emplace(node.name, std::make_unique<OpenDialogImpl>(*this, node.Str("title"),
                                                                         node.Str("filter")));
        return;
    }

    QWidget* parent = window_.get();
    auto [x, y] = node.Pair("at");
    auto [w, h] = node.Pair("size");
    y += top_;
    QString text = ToQ(node.Str("caption", node.Str("text")));
    QString name = QString::fromStdString(node.name);
    QWidget* widget = nullptr;
    std::unique_ptr<Widget> control;

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
    } else if (k == "bevel") {
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
    } else if (k == "statusbar") {
        auto* bar = new QStatusBar(parent);
        bar->setSizeGripEnabled(false);
        std::vector<int> widths = node.Ints("panels");
        std::vector<QLabel*> panels;
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
        statusBars_.emplace(node.name, std::make_unique<StatusBarImpl>(bar, std::move(panels)));
        widget = bar;
    } else if (k == "image") {
        QPixmap icon = node.Has("icon") ? kit_.IconResource(node.Str("icon"), std::min(w, h)) : QPixmap();
        auto image = std::make_unique<ImageImpl>(w, h, icon);
        auto* view = new ImageView(*image, parent);
        image->SetView(view);
        images_.emplace(node.name, std::move(image));
        widget = view;
    } else {
        throw Exception("layout: unknown kind " + k + " for " + node.name);
    }

    widget->setObjectName(name);
    // Screen readers name a control by its caption; one without takes its
    // name in the layout.
    if (text.isEmpty()) widget->setAccessibleName(name);
    widget->setGeometry(x, y, w, h);
    if (node.Has("hint")) widget->setToolTip(ToQ(node.Str("hint")));
    // Only the controls of the tab order take the focus.
    if (!node.Has("tab")) widget->setFocusPolicy(Qt::NoFocus);

    if (k == "statusbar" || k == "image") return;
    if (k == "checkbox") {
        control = std::make_unique<CheckBoxWidget>(k, widget);
    } else if (k == "memo") {
        control = std::make_unique<MemoWidget>(k, widget);
    } else if (k == "listbox") {
        control = std::make_unique<ListBoxWidget>(k, widget, node.Int("itemheight", 0));
    } else {
        control = std::make_unique<Widget>(k, widget);
    }
    control->onClick = node.Str("OnClick");
    if (auto* button = qobject_cast<QAbstractButton*>(widget); button && !control->onClick.empty()) {
        std::string handler = control->onClick;
        QObject::connect(button, &QAbstractButton::clicked, button, [this, handler] { Fire(handler); },
                         Qt::QueuedConnection);
    }
    if (k == "button" && node.Flag("cancel")) cancelButton_ = control.get();
    widgets_.emplace(node.name, std::move(control));
}

// Clicks and menu commands reach their handlers from the event loop, as
// Windows posts them: whoever pressed the button (a screen reader's action,
// say) is not held up while the handler's dialog is open.
void Form::BuildMenu(const LayoutNode& menu) {
    menuBar_ = new QMenuBar(window_.get());
    menuBar_->setObjectName(QString::fromStdString(menu.name));
    menuBar_->setAccessibleName(menuBar_->objectName());
    // In the window, where the layout has it, also under desktops that
    // would move it to a global menu.
    menuBar_->setNativeMenuBar(false);
    AddMenuItems(menuBar_, menu);
}

void Form::AddMenuItems(QWidget* parent, const LayoutNode& node) {
    auto* bar = qobject_cast<QMenuBar*>(parent);
    auto* menu = qobject_cast<QMenu*>(parent);
    for (const LayoutNode& item : node.children) {
        std::string caption = item.Str("caption");
        QAction* action = nullptr;
        if (caption == "-") {
            if (menu) menu->addSeparator();
        } else if (!item.children.empty()) {
            QMenu* sub = bar ? bar->addMenu(ToQ(caption)) : menu->addMenu(ToQ(caption));
            sub->setObjectName(QString::fromStdString(item.name));
            // A pop-up is a window of its own and takes no font from its parent.
            sub->setFont(font_);
            AddMenuItems(sub, item);
            action = sub->menuAction();
        } else {
            action = bar ? bar->addAction(ToQ(caption)) : menu->addAction(ToQ(caption));
            if (item.Has("shortcut")) {
                toolkit::Shortcut shortcut;
                if (!toolkit::ParseShortcut(item.Str("shortcut"), shortcut)) {
                    throw Exception("layout: bad shortcut " + item.Str("shortcut"));
                }
                action->setShortcut(KeySequence(shortcut));
                action->setShortcutContext(Qt::WindowShortcut);
            }
            std::string handler = item.Str("OnClick");
            QObject::connect(action, &QAction::triggered, action, [this, handler] {
                // The main form's menu and its shortcuts wait while a dialog
                // is open.
                if (main_ && kit_.ModalOpen()) return;
                Fire(handler);
            }, Qt::QueuedConnection);
        }
        if (action) action->setObjectName(QString::fromStdString(item.name));
        auto mi = std::make_unique<MenuItemImpl>(action, caption);
        if (item.Has("enabled") && !item.Flag("enabled")) mi->SetEnabled(false);
        menuItems_.emplace(item.name, std::move(mi));
    }
}

void Form::ArrangeTabOrder() {
    QWidget* previous = nullptr;
    for (const LayoutNode* node : toolkit::TabOrder(layout_)) {
        auto it = widgets_.find(node->name);
        if (it == widgets_.end() || !it->second->widget) continue;
        QWidget* w = it->second->widget;
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

// The first control of the tab order takes the focus; an edit that gets it
// that way shows its text selected, as in a dialog.
void Form::FocusFirst() {
    for (const LayoutNode* node : toolkit::TabOrder(layout_)) {
        auto it = widgets_.find(node->name);
        if (it == widgets_.end()) continue;
        QWidget* w = it->second->widget;
        if (!w || !w->isEnabled()) continue;
        w->setFocus(Qt::TabFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->selectAll();
        return;
    }
}

void Form::Show() {
    if (!window_) return;
    window_->show();
    // The program's first window takes the keyboard, as it does on Windows;
    // without a window manager nobody else would give it.
    window_->activateWindow();
    FocusFirst();
}

int Form::ShowModal() {
    auto* dialog = qobject_cast<QDialog*>(window_.get());
    if (!dialog || modal_) return 0;
    modal_ = true;
    modalResult_ = 0;
    kit_.PushModal(this);
    dialog->setWindowModality(Qt::ApplicationModal);
    FocusFirst();
    // The nested loop keeps every timer of the program running.
    dialog->exec();
    kit_.PopModal();
    modal_ = false;
    // Activation goes back to the owner as the dialog goes.
    if (QWidget* owner = dialog->parentWidget(); owner && owner->isVisible()) owner->activateWindow();
    return modalResult_ ? modalResult_ : kModalCancel;
}

bool Form::RunCloseQuery() {
    inCloseQuery_ = true;
    const bool canClose = pelmor::RunCloseQuery(kit_, events_, layout_);
    inCloseQuery_ = false;
    return canClose;
}

void Form::Close() {
    if (!window_ || inCloseQuery_ || ended_) return;
    if (!(main_ && closeQueryDone_)) {
        if (!RunCloseQuery()) return;
        if (main_) closeQueryDone_ = true;
    }
    if (modal_) {
        modalResult_ = kModalCancel;
        static_cast<QDialog*>(window_.get())->done(kModalCancel);
    } else if (main_) {
        EndMainForm();
    } else {
        window_->hide();
    }
}

void Form::CloseBox() {
    if (main_ && kit_.ModalOpen()) return;
    Close();
}

void Form::CancelKey() {
    if (cancelButton_ && cancelButton_->Enabled()) Fire(cancelButton_->onClick);
}

void Form::EndMainForm() {
    if (ended_) return;
    ended_ = true;
    for (auto& [name, timer] : timers_) timer->Stop();
    window_->hide();
    // Ends the main loop and every modal loop inside it.
    QCoreApplication::exit(0);
}

void Form::EndSession() {
    if (!main_ || ended_) return;
    if (!closeQueryDone_ && !inCloseQuery_) {
        closeQueryDone_ = true;
        RunCloseQuery();
    }
    // The query has run; the program ends, since what it records is closed.
    if (closeQueryDone_) EndMainForm();
}

void Form::Ending() {
    if (!main_ || ended_ || closeQueryDone_ || inCloseQuery_) return;
    closeQueryDone_ = true;
    RunCloseQuery();
}

void Form::Fire(const std::string& handler) { RunHandler(kit_, events_, handler); }

}  // namespace pelmor::qt
