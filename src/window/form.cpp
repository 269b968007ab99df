#include "form.h"

#include "action_log.h"
#include "caption_fit.h"
#include "twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <limits>
#include <map>
#include <string_view>

namespace {

QWidget *createWidget(const WidgetRow &row, QWidget *parent)
{
    const QString caption = QString::fromUtf8(row.caption);
    switch (row.kind) {
    case WidgetKind::Label: {
        auto *label = new QLabel(caption, parent);
        if (row.style == WidgetStyle::RightAligned)
            label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (row.style == WidgetStyle::Title) {
            label->setAlignment(Qt::AlignCenter);
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText,
                             palette.color(QPalette::Active, QPalette::Highlight));
            label->setPalette(palette);
        }
        return label;
    }
    case WidgetKind::Box: {
        auto *box = new QLineEdit(caption, parent);
        // The value boxes show whatever the control reports, however long.
        box->setMaxLength(std::numeric_limits<int>::max());
        return box;
    }
    case WidgetKind::LogBox:
        return new ActionLog(parent);
    case WidgetKind::Button:
        return new QPushButton(caption, parent);
    case WidgetKind::Frame:
        return new QGroupBox(caption, parent);
    }
    return nullptr;
}

bool takesFocus(WidgetKind kind)
{
    return kind != WidgetKind::Label && kind != WidgetKind::Frame;
}

} // namespace

Form::Form(QWidget *window)
{
    std::map<int, QWidget *> focusOrder;
    std::map<std::string_view, QWidget *> frames;
    for (const WidgetRow &row : widgetTable()) {
        QWidget *widget = createWidget(row, row.parent ? frames.at(row.parent) : window);
        if (row.kind == WidgetKind::Frame)
            frames[row.name] = widget;
        if (row.role != WidgetRole::None)
            m_parts.emplace_back(row.role, widget);
        widget->setObjectName(QString::fromUtf8(row.name));
        widget->setGeometry(twipsToPixels(row.left, row.top, row.width, row.height));
        if (row.accessibleName)
            widget->setAccessibleName(QString::fromUtf8(row.accessibleName));
        if (takesFocus(row.kind))
            focusOrder[row.tabIndex] = widget;
        else
            widget->setFocusPolicy(Qt::NoFocus);
        if (row.kind == WidgetKind::Frame)
            widget->lower();
    }

    QWidget *previous = nullptr;
    for (const auto &[tabIndex, widget] : focusOrder) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
    focusOrder.begin()->second->setFocus();

    applyFonts(window, part<QLabel>(WidgetRole::Title));
}
