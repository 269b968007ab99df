#include "log_document.h"
#include "qt_printers.h"
#include "same_lines.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

// The text with the user's caret and selection, as the document should hold them.
struct Model {
    QString text;
    qsizetype caret = 0;
    qsizetype anchor = 0;
};

// One undoable step: the model before it, and after it as redo gives it back.
struct Step {
    Model before;
    Model after;
};

void expectSame(const LogDocument &document, const Model &model, int step)
{
    ASSERT_EQ(document.size(), model.text.size()) << "step " << step;
    ASSERT_EQ(document.caret(), model.caret) << "step " << step;
    ASSERT_EQ(document.anchor(), model.anchor) << "step " << step;
    ASSERT_EQ(document.selectedText(), model.text.mid(std::min(model.caret, model.anchor),
                                                      std::abs(model.caret - model.anchor)))
        << "step " << step;
}

QString randomText(QRandomGenerator &random, int length)
{
    QString text;
    for (int i = 0; i < length; ++i)
        text += random.bounded(10) == 0 ? QChar(u'\n') : QChar(u'a' + random.bounded(26));
    return text;
}

// The user edits, selects, drags, undoes and redoes while the program's lines arrive at the top,
// sometimes while the user works in the log and sometimes not; edits far longer than a chunk of
// the store split and merge its chunks. The text, the caret, the selection and every line lookup
// must stay those of the same text held whole.
TEST(LogDocument, KeepsTextCaretAndLinesThroughUserEditsAndArrivingLines)
{
    QRandomGenerator random(16);
    LogDocument document;
    Model model;
    std::vector<Step> steps;
    std::size_t done = 0;
    const auto position = [&] { return qsizetype(random.bounded(int(model.text.size()) + 1)); };
    const auto record = [&](const Model &before, Model after) {
        steps.resize(done);
        steps.push_back({before, std::move(after)});
        done = steps.size();
    };

    for (int step = 0; step < 4000; ++step) {
        const Model before = model;
        switch (random.bounded(7)) {
        case 0: { // the program's line
            const QString line = QStringLiteral("line %1\tvalue").arg(step);
            const bool keepPlace = random.bounded(2) == 0;
            document.prependLine(line, keepPlace);
            model.text.prepend(line + u'\n');
            model.caret = keepPlace ? model.caret + line.size() + 1 : 0;
            model.anchor = keepPlace ? model.anchor + line.size() + 1 : 0;
            steps.clear();
            done = 0;
            break;
        }
        case 1: { // a selection
            const qsizetype anchor = position();
            const qsizetype caret = position();
            document.setSelection(anchor, caret);
            model.anchor = anchor;
            model.caret = caret;
            break;
        }
        case 2: // an undo
            ASSERT_EQ(document.canUndo(), done > 0) << "step " << step;
            if (done > 0) {
                document.undo();
                model = steps[--done].before;
            }
            break;
        case 3: // a redo
            ASSERT_EQ(document.canRedo(), done < steps.size()) << "step " << step;
            if (done < steps.size()) {
                document.redo();
                model = steps[done++].after;
            }
            break;
        case 4: { // a drag of the selection elsewhere
            const qsizetype from = std::min(model.caret, model.anchor);
            const qsizetype to = std::max(model.caret, model.anchor);
            const qsizetype destination = position();
            if (!document.move(from, to, destination))
                break;
            const QString moved = model.text.mid(from, to - from);
            const qsizetype end = std::max(to, destination);
            model.text.remove(from, to - from);
            const qsizetype at = destination > to ? destination - moved.size() : destination;
            model.text.insert(at, moved);
            model.anchor = at;
            model.caret = at + moved.size();
            record(before, {model.text, end, end});
            break;
        }
        default: { // typing, pasting or deleting
            const qsizetype from = position();
            const qsizetype to = random.bounded(3) == 0 ? position() : from;
            const int length = step % 101 == 0 ? 30000 : random.bounded(12);
            const QString typed = randomText(random, length);
            const qsizetype start = std::min(from, to);
            const qsizetype count = std::abs(to - from);
            if (!document.replace(from, to, typed))
                break;
            model.text.replace(start, count, typed);
            model.caret = model.anchor = start + typed.size();
            record(before, model);
            break;
        }
        }
        expectSame(document, model, step);
        if (step % 250 == 0)
            expectSameLines(document.store(), model.text);
    }
    expectSameLines(document.store(), model.text);
}

// Word moves and a double click's word pass a word however long it is, and stop at line breaks.
TEST(LogDocument, WordsOfAnyLengthArePassedWhole)
{
    const qsizetype length = 200'000;
    LogDocument document;
    document.setText(QString(length, u'x') + " end\nnext");
    EXPECT_EQ(document.wordBoundary(0, true), length + 1);
    EXPECT_EQ(document.wordBoundary(length + 1, false), 0);
    EXPECT_EQ(document.wordBoundary(length + 4, true), length + 5);
    EXPECT_EQ(document.wordAt(length / 2), std::pair(qsizetype(0), length));
    EXPECT_EQ(document.wordAt(length + 4), std::pair(length + 1, length + 4))
        << "at a line's end, the word before it";
}

} // namespace
