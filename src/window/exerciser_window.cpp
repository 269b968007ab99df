#include "exerciser_window.h"

#include "action_log.h"
#include "caption_fit.h"
#include "close_during_press.h"
#include "command_recall.h"
#include "control_contract.h"
#include "interface_control.h"
#include "log_line.h"
#include "twips.h"
#include "value_text.h"
#include "widget_table.h"
#include "window_placement.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <algorithm>
#include <limits>
#include <map>
#include <new>
#include <string_view>
#include <tuple>

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

// A message box lays out every character it is given, and a command or a reason a million
// characters long would stall the window for most of a minute. The message shows both ends;
// the text itself stays whole where the user typed it.
QString shortened(const QString &text)
{
    constexpr qsizetype kept = 100; // characters from each end
    if (text.size() <= 2 * kept + 1)
        return text;
    qsizetype head = kept;
    qsizetype tail = kept;
    if (text.at(head - 1).isHighSurrogate())
        --head;
    if (text.at(text.size() - tail).isLowSurrogate())
        --tail;
    return text.left(head) + u'\u2026' + text.right(tail);
}

bool takesFocus(WidgetKind kind)
{
    return kind != WidgetKind::Label && kind != WidgetKind::Frame;
}

} // namespace

ExerciserWindow::ExerciserWindow(std::unique_ptr<InterfaceControl> control, QWidget *parent)
    : QWidget(parent)
    , m_control(control.release())
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf16(ControlContract::programName));
    resize(twipsToPixels(windowWidthTwips), twipsToPixels(windowHeightTwips));
    move(centredPosition(size(), screen()->availableGeometry()));

    // A child of the window, as a control sits on its form: found by its name, and gone with it.
    m_control->setParent(this);
    m_control->setObjectName(QString::fromUtf16(ControlContract::controlName));

    buildWidgets();

    connect(m_control, &InterfaceControl::actionEvent, this, &ExerciserWindow::onActionEvent);
    connect(m_control, &InterfaceControl::problem, this, &ExerciserWindow::showFailure);
    connect(m_control, &InterfaceControl::modalStateChanged, this,
            &ExerciserWindow::holdForTheControl);
    connect(m_parts.clear, &QPushButton::clicked, this, &ExerciserWindow::clearLog);

    auto *houseCodeRecall = new CommandRecall(m_parts.houseCode);
    auto *commandLineRecall = new CommandRecall(m_parts.commandLine);
    const std::tuple<QPushButton *, CommandButton, const QLineEdit *, CommandRecall *> senders[] = {
        {m_parts.on, CommandButton::On, m_parts.houseCode, houseCodeRecall},
        {m_parts.off, CommandButton::Off, m_parts.houseCode, houseCodeRecall},
        {m_parts.sendPL, CommandButton::SendPL, m_parts.commandLine, commandLineRecall},
        {m_parts.sendRF, CommandButton::SendRF, m_parts.commandLine, commandLineRecall},
    };
    for (const auto &[sender, button, source, recall] : senders)
        connect(sender, &QPushButton::clicked, this,
                [this, button = button, source = source, recall = recall] {
                    // Recalled whether the control takes it or not, as a shell keeps a command
                    // that failed: a refused command is the one most often corrected and sent
                    // again.
                    recall->recordSent();
                    send(button, source);
                });
}

void ExerciserWindow::buildWidgets()
{
    std::map<int, QWidget *> focusOrder;
    std::map<std::string_view, QWidget *> frames;
    std::size_t nextValue = 0;
    for (const WidgetRow &row : widgetTable()) {
        QWidget *parent = row.parent ? frames.at(row.parent) : this;
        QWidget *widget = createWidget(row, parent);
        if (row.kind == WidgetKind::Frame)
            frames[row.name] = widget;
        keep(row.role, widget, nextValue);
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

    applyFonts(this, m_parts.title);
}

void ExerciserWindow::keep(WidgetRole role, QWidget *widget, std::size_t &nextValue)
{
    // The table made the widget of the kind its role needs.
    const auto as = [widget]<typename Widget>(Widget *&part) {
        part = static_cast<Widget *>(widget);
    };
    switch (role) {
    case WidgetRole::None:
        return;
    case WidgetRole::Value:
        return as(m_parts.values.at(nextValue++));
    case WidgetRole::Log:
        return as(m_parts.log);
    case WidgetRole::HouseCode:
        return as(m_parts.houseCode);
    case WidgetRole::CommandLine:
        return as(m_parts.commandLine);
    case WidgetRole::On:
        return as(m_parts.on);
    case WidgetRole::Off:
        return as(m_parts.off);
    case WidgetRole::SendPL:
        return as(m_parts.sendPL);
    case WidgetRole::SendRF:
        return as(m_parts.sendRF);
    case WidgetRole::Clear:
        return as(m_parts.clear);
    case WidgetRole::Title:
        return as(m_parts.title);
    }
}

void ExerciserWindow::onActionEvent(const ActionValues &values)
{
    // A value too large to hold must not take the rest of the log with it.
    try {
        const ShownTexts texts = shownTexts(values);
        for (std::size_t i = 0; i < texts.size(); ++i)
            m_parts.values[i]->setText(texts[i]);

        m_parts.log->prependLine(logLine(values, texts));
    } catch (const std::bad_alloc &) {
        showFailure(tr("A reported action could not be shown."),
                    tr("There was not enough memory for its values."));
    }
}

void ExerciserWindow::send(CommandButton button, const QLineEdit *source)
{
    const OutgoingCommand command = outgoingCommand(button, source->text());
    const CloseDuringPress closable;
    if (const auto error = m_control->sendCommand(command.verb, command.text))
        showFailure(tr("The command \"%1\" (%2) was not sent.")
                        .arg(shortened(command.text), shortened(command.verb)),
                    shortened(*error));
}

// The user's log and boxes matter more than any one command: say what went wrong and carry on.
void ExerciserWindow::showFailure(const QString &what, const QString &why)
{
    // A window the user closed meanwhile has no one left to tell.
    if (!isVisible())
        return;
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(), what, QMessageBox::Ok, this);
    // The command and the control's message are the user's and the control's words, never markup.
    box->setTextFormat(Qt::PlainText);
    box->setInformativeText(Qt::convertFromPlainText(why));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

// As a modal dialog of the control's own would disable its form; the user then carries on where
// they were.
void ExerciserWindow::holdForTheControl(bool held)
{
    if (held) {
        m_focusBeforeHeld = focusWidget();
        setEnabled(false);
        return;
    }
    setEnabled(true);
    if (m_focusBeforeHeld)
        m_focusBeforeHeld->setFocus();
}

void ExerciserWindow::clearLog()
{
    m_parts.log->clear();
}
