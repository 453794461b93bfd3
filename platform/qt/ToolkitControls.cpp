// The controls of a form: thin wrappers over the standard widgets.
#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSortFilterProxyModel>

#include <algorithm>

#include "platform/ToolkitRules.h"
#include "platform/qt/ToolkitImpl.h"

namespace pelmor::qt {

std::string Widget::Text() const {
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return FromQ(edit->text());
    if (auto* label = qobject_cast<QLabel*>(widget)) return FromQ(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return FromQ(button->text());
    if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) return FromQ(memo->toPlainText());
    return std::string();
}

void Widget::SetText(std::string_view text) {
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->setText(ToQ(text));
    else if (auto* label = qobject_cast<QLabel*>(widget)) label->setText(ToQ(text));
    else if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setText(ToQ(text));
    else if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) memo->setPlainText(ToQ(text));
}

bool Widget::Enabled() const { return widget && widget->isEnabled(); }

void Widget::SetEnabled(bool enabled) {
    if (widget) widget->setEnabled(enabled);
}

void Widget::SetFocus() {
    if (widget) widget->setFocus(Qt::OtherFocusReason);
}

bool Widget::Checked() const {
    auto* box = qobject_cast<QCheckBox*>(widget);
    return box && box->isChecked();
}

void Widget::SelectAll() {
    if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) memo->selectAll();
}

void Widget::Clear() {
    if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) memo->clear();
}

void Widget::Add(std::string_view item) {
    auto* list = qobject_cast<QListWidget*>(widget);
    if (!list) return;
    auto* entry = new QListWidgetItem(ToQ(item), list);
    if (itemHeight_ > 0) entry->setSizeHint(QSize(0, itemHeight_));
}

void Widget::SetItemIndex(int index) {
    auto* list = qobject_cast<QListWidget*>(widget);
    if (!list) return;
    // -1 clears the selection, like an index past the end.
    if (index < 0 || index >= list->count()) {
        list->clearSelection();
        list->setCurrentRow(-1);
        return;
    }
    list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    list->scrollToItem(list->item(index));
}

void StatusBarImpl::SetPanelText(int panel, std::string_view text) {
    QLabel* label = panels_[static_cast<std::size_t>(panel)];
    if (label) label->setText(ToQ(text));
}

namespace {

QColor ToQColor(Color c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// GDI's pens: one pixel wide leaves the end point out (a flat cap on
// Qt's aliased lines does the same); wider ones are round at the ends
// and joints.
QPen GdiPen(Color color, int width) {
    if (width <= 1) return QPen(ToQColor(color), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    return QPen(ToQColor(color), width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

}  // namespace

void ImageImpl::Rectangle(int left, int top, int right, int bottom) {
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) return;
    {
        QPainter p(&picture_);
        p.fillRect(left, top, right - left, bottom - top, ToQColor(brushColor_));
        p.setPen(GdiPen(penColor_, penWidth_));
        // The outline runs along the outermost pixels inside the rectangle.
        p.drawRect(left, top, right - left - 1, bottom - top - 1);
    }
    Drawn();
}

void ImageImpl::LineTo(int x, int y) {
    QPoint to(x, y);
    {
        QPainter p(&picture_);
        p.setPen(GdiPen(penColor_, penWidth_));
        p.drawLine(at_, to);
    }
    at_ = to;
    Drawn();
}

ImageImpl::ImageImpl(int width, int height, QPixmap icon)
    : width_(width), height_(height), icon_(std::move(icon)),
      picture_(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32) {
    // A fresh picture is white, like a canvas nobody has drawn on.
    picture_.fill(Qt::white);
}

ImageImpl::~ImageImpl() {
    if (view_) view_->Detach();
}

void ImageImpl::Drawn() {
    drawn_ = true;
    if (view_) view_->update();
}

void ImageImpl::Paint(QPainter& painter) {
    if (drawn_) {
        painter.drawImage(0, 0, picture_);
        return;
    }
    // Nothing drawn yet: the form's own colour shows through.
    if (!icon_.isNull()) painter.drawPixmap(QRect(0, 0, width_, height_), icon_);
}

void ImageView::paintEvent(QPaintEvent*) {
    if (!image_) return;
    QPainter painter(this);
    image_->Paint(painter);
}

namespace {

// Folders and the files one may execute: the programs of this system,
// whatever their names.
class ProgramsOnly final : public QSortFilterProxyModel {
protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (!files) return true;
        QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable();
    }
};

// The layout's filter ("Name|*.exe|Other|*.a;*.b") as Qt's name filters. A
// filter for *.exe, the programs of Windows, lists the programs here.
QStringList NameFilters(const std::string& filter, bool& programs) {
    std::string list = toolkit::FilterList(filter);
    QStringList filters;
    std::size_t at = 0;
    while (at < list.size() && list[at] != '\0') {
        std::string name = list.c_str() + at;
        at += name.size() + 1;
        std::string patterns = list.c_str() + at;
        at += patterns.size() + 1;
        if (patterns == "*.exe") {
            programs = true;
            patterns = "*";
        }
        QString p = ToQ(patterns);
        p.replace(';', ' ');
        filters << ToQ(name) + " (" + p + ")";
    }
    return filters;
}

}  // namespace

bool OpenDialogImpl::Execute() {
    QFileDialog dialog(form_.window(), ToQ(node_.Str("title")));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    bool programs = false;
    QStringList filters = NameFilters(node_.Str("filter"), programs);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (programs) {
        // The proxy works on Qt's own dialog; a platform's dialog would
        // ignore it.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setProxyModel(new ProgramsOnly);
    }
    if (!fileName_.empty()) dialog.selectFile(ToQ(fileName_));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    fileName_ = FromQ(dialog.selectedFiles().first());
    return true;
}

}  // namespace pelmor::qt
