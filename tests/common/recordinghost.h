#pragma once

#include "cache/collection.h"

#include <QList>
#include <QQueue>
#include <QStringList>

#include <functional>

// A collection host for tests: records what the collection asks of the windows, in order, and
// answers the stop question from a queue (askAnswer when it is empty).
class RecordingHost : public velt::CollectionHost
{
public:
    explicit RecordingHost(velt::MdlVELT &state) : m_state(state) { }
    QStringList events;
    QList<int> progress;
    QStringList labels;
    int yields = 0;
    int waits = 0;
    int askAnswer = velt::kAnswerYes;
    QQueue<int> askAnswers;
    std::function<void(int)> onYield; // gets the yield count
    std::function<void(int)> onWait;  // gets the count of waits for the copies
    std::function<void()> onAsk;
    bool navigationDisabled = false;
    QString initDir;

    void showSplash() override
    {
        events << QStringLiteral("show");
        m_state.StopLoad = false;
        progress << 0;
        labels << QString::fromUtf8(velt::kLabelSearchingIE);
    }
    void closeSplash() override { events << QStringLiteral("close"); }
    void setProgress(int value) override { progress << value; }
    void setLoadLabel(const QString &text) override { labels << text; }
    void yield() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }
    void waitForEvents() override
    {
        ++waits;
        if (onWait)
            onWait(waits);
        // A press on the stop button is an event: it ends the wait by itself.
        if (!m_state.StopLoad)
            velt::CollectionHost::waitForEvents();
    }
    void waitOneTick() override { events << QStringLiteral("tick"); }
    int AskStop() override
    {
        events << QStringLiteral("ask");
        if (onAsk)
            onAsk();
        closeSplash();
        const int answer = askAnswers.isEmpty() ? askAnswer : askAnswers.dequeue();
        if (answer == velt::kAnswerNo) {
            showSplash();
            waitOneTick();
        }
        return answer;
    }
    void setCounters(int pos, int count) override
    {
        events << QStringLiteral("counters %1 %2").arg(pos).arg(count);
    }
    void disableNavigation() override { navigationDisabled = true; }
    void setOpenDialogInitDir(const QString &dir) override { initDir = dir; }

private:
    velt::MdlVELT &m_state;
};
