#include "caption_fit.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>

namespace {

const QString classicFamily = QStringLiteral("MS Sans Serif");
constexpr double windowPointSize = 8;
constexpr double titlePointSize = 13.5;
constexpr double sizeStep = 0.5;
constexpr double smallestPointSize = 6;

QRect availableRect(const QLabel *label)
{
    return label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(),
                                          -label->margin());
}

QRect availableRect(const QPushButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
}

QRect availableRect(const QGroupBox *frame)
{
    QStyleOptionGroupBox option;
    option.initFrom(frame);
    option.text = frame->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    const QRect label = frame->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                       QStyle::SC_GroupBoxLabel, frame);
    // The title may use the frame's whole width beyond where the style starts it.
    return QRect(label.left(), label.top(), frame->width() - 2 * label.left(), label.height());
}

QRect availableRect(const QLineEdit *box)
{
    QStyleOptionFrame option;
    option.initFrom(box);
    option.lineWidth =
        box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box) : 0;
    // Inside the style's contents a line edit keeps a margin of its own: 2 pixels to the sides
    // and 1 above and below.
    const QMargins text = box->textMargins() + QMargins(2, 1, 2, 1);
    return box->style()->subElementRect(QStyle::SE_LineEditContents, &option, box) - text;
}

bool textFits(const QWidget *widget, const QString &text, const QRect &available)
{
    const QFontMetrics metrics(widget->font());
    return metrics.horizontalAdvance(text) <= available.width() &&
           metrics.height() <= available.height();
}

bool allCaptionsFit(const QWidget *window, const QWidget *except)
{
    const auto widgets = window->findChildren<QWidget *>();
    return std::all_of(widgets.begin(), widgets.end(), [except](const QWidget *widget) {
        return widget == except || captionFits(widget);
    });
}

// The family where it exists, otherwise the system's face.
QFont preferredFont(double pointSize)
{
    QFont font = QFontDatabase::hasFamily(classicFamily)
                     ? QFont(classicFamily)
                     : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(pointSize);
    return font;
}

template <typename Fits> void shrinkUntil(QWidget *widget, QFont font, Fits fits)
{
    widget->setFont(font);
    while (!fits() && font.pointSizeF() - sizeStep >= smallestPointSize) {
        font.setPointSizeF(font.pointSizeF() - sizeStep);
        widget->setFont(font);
    }
}

} // namespace

bool captionFits(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return textFits(label, label->text(), availableRect(label));
    if (const auto *button = qobject_cast<const QPushButton *>(widget))
        return textFits(button, button->text(), availableRect(button));
    if (const auto *frame = qobject_cast<const QGroupBox *>(widget))
        return textFits(frame, frame->title(), availableRect(frame));
    if (const auto *box = qobject_cast<const QLineEdit *>(widget))
        return textFits(box, box->text(), availableRect(box));
    return true;
}

void applyFonts(QWidget *window, QLabel *title)
{
    shrinkUntil(window, preferredFont(windowPointSize),
                [&] { return allCaptionsFit(window, title); });

    QFont titleFont = preferredFont(titlePointSize);
    titleFont.setWeight(QFont::Bold);
    shrinkUntil(title, titleFont, [&] { return captionFits(title); });
}
