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

// Typing while the device's lines arrive stays one whole word below them, and a selection made
// before they came still holds the same text; with nobody working in the log, the caret goes
// to the newest line.
TEST(LogDocument, ArrivingLinesKeepTheUsersPlaceOnlyWhenAsked)
{
    LogDocument document;
    document.setText("alpha beta");
    document.setCaret(6);
    for (const char *letter : {"C", "K", "B"}) {
        document.replace(document.caret(), document.caret(), letter, EditKind::Typing);
        document.prependLine(u"device line", true);
    }
    EXPECT_EQ(document.toPlainText(), "device line\ndevice line\ndevice line\nalpha CKBbeta");

    document.setSelection(document.size() - 4, document.size());
    document.prependLine(u"one more", true);
    EXPECT_EQ(document.selectedText(), "beta");

    document.prependLine(u"newest", false);
    EXPECT_EQ(document.caret(), 0);
    EXPECT_FALSE(document.hasSelection());
    EXPECT_EQ(document.lineCount(), 6);
    EXPECT_FALSE(document.canUndo()) << "the program's lines are not the user's to take back";
}

struct ClusterCase {
    const char *name;
    QString cluster;
};

void PrintTo(const ClusterCase &cluster, std::ostream *os)
{
    *os << cluster.name;
}

class LogDocumentClusters : public testing::TestWithParam<ClusterCase> {};

// The caret passes a composed character whole and Delete takes it whole: never a bare accent or
// half an emoji left behind.
TEST_P(LogDocumentClusters, AreOneStepForTheCaretAndForDelete)
{
    const QString &cluster = GetParam().cluster;
    LogDocument document;
    document.setText(u'a' + cluster + u'b');
    const qsizetype after = 1 + cluster.size();
    EXPECT_EQ(document.graphemeBoundary(1, true), after);
    EXPECT_EQ(document.graphemeBoundary(after, false), 1);
    document.replace(1, document.graphemeBoundary(1, true), {}, EditKind::Deleting);
    EXPECT_EQ(document.toPlainText(), "ab");
}

INSTANTIATE_TEST_SUITE_P(
    Composed, LogDocumentClusters,
    testing::Values(ClusterCase{"combiningAccent", QStringLiteral("e\u0301")},
                    ClusterCase{"joinedEmoji", QString::fromUtf8("\U0001F469\u200D\U0001F4BB")},
                    ClusterCase{"flag", QString::fromUtf8("\U0001F1E9\U0001F1EA")},
                    ClusterCase{"indicSyllable", QStringLiteral("\u0915\u094D\u0937\u093F")}),
    [](const auto &info) { return std::string(info.param.name); });

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

// A run of Backspaces, or of Deletes, is taken back as one step, as a run of typing is; a caret
// move ends the run.
TEST(LogDocument, RunsOfTypingOrDeletingUndoAsOneStep)
{
    LogDocument document;
    for (const char *letter : {"t", "y", "p", "e", "d"})
        document.replace(document.caret(), document.caret(), letter, EditKind::Typing);
    for (int i = 0; i < 2; ++i)
        document.replace(document.caret() - 1, document.caret(), {}, EditKind::Deleting);
    document.setCaret(0);
    for (int i = 0; i < 2; ++i)
        document.replace(0, 1, {}, EditKind::Deleting);
    EXPECT_EQ(document.toPlainText(), "p");
    document.undo();
    EXPECT_EQ(document.toPlainText(), "typ");
    EXPECT_EQ(document.caret(), 0);
    document.undo();
    EXPECT_EQ(document.toPlainText(), "typed");
    EXPECT_EQ(document.caret(), 5);
    document.undo();
    EXPECT_EQ(document.toPlainText(), "");
    EXPECT_FALSE(document.canUndo());
}

// A drag within the log moves the text as one step and leaves it selected where it went.
TEST(LogDocument, MovedTextIsSelectedAndOneUndoTakesItBack)
{
    LogDocument document;
    document.setText("one two three");
    ASSERT_TRUE(document.move(0, 4, 8));
    EXPECT_EQ(document.toPlainText(), "two one three");
    EXPECT_EQ(document.selectedText(), "one ");
    EXPECT_FALSE(document.move(4, 8, 6)) << "a drop onto the text itself";
    document.undo();
    EXPECT_EQ(document.toPlainText(), "one two three");
    EXPECT_FALSE(document.canUndo());
}

} // namespace
