#pragma once

#include <QMessageBox>
#include <QTextDocument>

// A message box's text and, below it, its informative text, as the user reads them: the
// informative text is rich text, its blanks non-breaking.
inline QString shownText(const QMessageBox *box)
{
    QTextDocument informative;
    informative.setHtml(box->informativeText());
    return box->text() + u'\n' + informative.toPlainText().replace(QChar::Nbsp, u' ');
}
