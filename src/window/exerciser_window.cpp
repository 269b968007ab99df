#include "exerciser_window.h"

#include "action_log.h"
#include "caption_fit.h"
#include "interface_control.h"
#include "log_line.h"
#include "twips.h"
#include "widget_table.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <limits>
#include <map>

namespace {

QWidget *createWidget(const WidgetRow &row, QWidget *parent) {
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

bool takesFocus(WidgetKind kind) {
    return kind != WidgetKind::Label && kind != WidgetKind::Frame;
}

} // namespace

ExerciserWindow::ExerciserWindow(InterfaceControl *control, QWidget *parent)
    : QWidget(parent)
    , m_control(control) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("KV27 Exerciser"));
    resize(twipsToPixels(windowWidthTwips), twipsToPixels(windowHeightTwips));

    m_control->setParent(this);
    m_control->setObjectName(QStringLiteral("Hearthwick1"));

    buildWidgets();

    for (int i = 0; i < int(m_valueBoxes.size()); ++i)
        m_valueBoxes[i] = findChild<QLineEdit *>(QStringLiteral("Text%1").arg(i + 1));
    m_log = findChild<ActionLog *>(QStringLiteral("Text8"));

    connect(m_control, &InterfaceControl::actionEvent, this, &ExerciserWindow::onActionEvent);
    connect(findChild<QPushButton *>(QStringLiteral("Command3")), &QPushButton::clicked, this,
            &ExerciserWindow::clearLog);
}

void ExerciserWindow::buildWidgets() {
    std::map<int, QWidget *> focusOrder;
    for (const WidgetRow &row : widgetTable()) {
        QWidget *parent = row.parent ? findChild<QWidget *>(QString::fromUtf8(row.parent)) : this;
        QWidget *widget = createWidget(row, parent);
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
            setTabOrder(previous, widget);
        previous = widget;
    }
    focusOrder.begin()->second->setFocus();

    applyFonts(this, findChild<QLabel *>(QStringLiteral("Title")));
}

void ExerciserWindow::onActionEvent(const ActionValues &values) {
    const std::array shown{&values.bszAction, &values.bszParm1, &values.bszParm2,
                           &values.bszParm3,  &values.bszParm4, &values.bszParm5};
    for (std::size_t i = 0; i < shown.size(); ++i)
        m_valueBoxes[i]->setText(shown[i]->plainText());

    const QString strLine = logLine(values);
    m_log->prependLine(strLine);
}

void ExerciserWindow::clearLog() {
    m_log->clear();
}
