// The image-number window at the list's limit: filling 30 000 lines, and from creating the window
// to the list painted. Target: well under a second.

#include "figure.h"
#include "windowbench.h"

#include "index/frmno.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>

#include <algorithm>
#include <cstdio>

using namespace velt;

int main(int argc, char **argv)
{
    bench::offscreenUnlessChosen();
    QApplication app(argc, argv);
    MdlVELT state;
    Settings settings;
    settings.applyDefaults(QString());
    ConsoleDialogs dialogs;
    bench::IdleOwner owner;
    const QDateTime time(QDate(2026, 12, 1), QTime(10, 0));
    state.reserveList(kListLimit);
    for (int k = 1; k <= kListLimit; ++k) {
        state.ListFile[k] = QStringLiteral("M%1ABCDEFGH[1].jpg").arg(k, 5, 10, QLatin1Char('0'));
        state.ListLine[k] = displayLine(state.ListFile[k], time.addSecs(k));
    }
    state.ListCount = kListLimit;
    state.ListPos = kListLimit / 2;

    double bestFill = 1e9;
    double bestShown = 1e9;
    double firstShown = 0;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer clock;
        clock.start();
        auto *window = new FrmNo(state, settings, dialogs, owner);
        bench::PaintSpy spy;
        window->List1->viewport()->installEventFilter(&spy);
        QElapsedTimer fill;
        fill.start();
        window->Form_Load();
        bestFill = std::min(bestFill, fill.nsecsElapsed() / 1e6);
        window->show();
        while (!spy.painted)
            QCoreApplication::processEvents();
        const double shown = clock.nsecsElapsed() / 1e6;
        if (round == 0)
            firstShown = shown;
        bestShown = std::min(bestShown, shown);
        if (window->List1->count() != kListLimit)
            std::fprintf(stderr, "the list holds %d lines\n", window->List1->count());
        delete window;
    }
    std::printf("%-28s %10s\n", "30 000 lines, best of 5", "ms");
    std::printf("%-28s %10.1f\n", "fill (Form_Load)", bestFill);
    std::printf("%-28s %10.1f\n", "create, fill, show, paint", bestShown);
    std::printf("%-28s %10.1f\n", "the same, first time", firstShown);
    bench::printFigure("frmno.fill", bestFill, "ms",
                       "image-number window filled with 30 000 lines (best of 5; target well under "
                       "1 s)");
    bench::printFigure("frmno.shown", bestShown, "ms",
                       "image-number window created, filled, shown and painted (best of 5)");
    bench::printFigure("frmno.shown_first", firstShown, "ms", "the same, the first time");
    return 0;
}
