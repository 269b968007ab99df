#include "log_line.h"

#include "value_text.h"

namespace {

constexpr char16_t controlPictures = 0x2400; // U+2400 SYMBOL FOR NULL, then one per C0 code
constexpr char16_t deletePicture = 0x2421;   // SYMBOL FOR DELETE
constexpr char16_t newlinePicture = 0x2424;  // SYMBOL FOR NEWLINE
constexpr char16_t replacementCharacter = 0xFFFD;

char16_t visible(char16_t ch)
{
    if (ch < 0x20)
        return controlPictures + ch;
    if (ch == 0x7F)
        return deletePicture;
    // The log breaks lines at line feeds alone, but its lines are copied elsewhere: other editors
    // break lines at next line and the Unicode line and paragraph separators too, and Qt's rich
    // text editors split a line where these two non-characters mark the edges of a frame.
    if (ch == 0x85 || ch == 0x2028 || ch == 0x2029)
        return newlinePicture;
    if (ch == 0xFDD0 || ch == 0xFDD1)
        return replacementCharacter;
    return ch;
}

} // namespace

QString withVisibleControls(QString text)
{
    for (QChar &ch : text)
        ch = QChar(visible(ch.unicode()));
    return text;
}

QString logLine(const ActionValues &values, const QLocale &locale)
{
    return logLine(values, shownTexts(values, locale));
}

QString logLine(const ActionValues &values, const ShownTexts &boxTexts)
{
    constexpr std::size_t firstSignColumn = 3; // parameters 3 to 5
    QString line;
    for (std::size_t i = 0; i < boxTexts.size(); ++i) {
        if (i > 0)
            line += u'\t';
        // An absent value leaves its field empty in either form.
        if (i < firstSignColumn)
            line += withVisibleControls(boxTexts[i]);
        else if (!boxTexts[i].isEmpty())
            line += withVisibleControls(signColumnText(values[i]));
    }
    return line;
}
