#pragma once

// A main window started over an Internet Explorer cache of the given files, all dated
// 2026/12/01 10:00 and collected with "today" 2026/12/07; timers short.

#include "viewer/frmview.h"

#include "common/fakeregistry.h"
#include "common/scripteddialogs.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <memory>

inline bool writeDatedFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.flush())
        return false;
    return f.setFileTime(QDateTime(QDate(2026, 12, 1), QTime(10, 0)),
                         QFileDevice::FileModificationTime);
}

struct StartedViewer
{
    QTemporaryDir dir;
    FakeRegistry registry;
    velt::MdlVELT state;
    velt::Settings settings;
    ScriptedDialogs dialogs;
    std::unique_ptr<velt::FrmView> view;

    // cache: file name -> content. pictureTimerMs: the picture window's timer.
    explicit StartedViewer(const QMap<QString, QByteArray> &cache, int pictureTimerMs = 1)
    {
        const QString windows = dir.filePath(QStringLiteral("WINDOWS"));
        const QString ie = windows + QStringLiteral("/TIF");
        QDir().mkpath(ie + QStringLiteral("/A"));
        registry.setString(velt::kHKEY_LOCAL_MACHINE,
                           QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion"),
                           QStringLiteral("SystemRoot"), windows);
        registry.setString(velt::kHKEY_LOCAL_MACHINE,
                           QStringLiteral("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Internet "
                                          "settings\\Cache\\Paths"),
                           QStringLiteral("Directory"), ie);
        for (auto it = cache.begin(); it != cache.end(); ++it)
            writeDatedFile(ie + QStringLiteral("/A/") + it.key(), it.value());
        velt::ViewerEnvironment env;
        env.registry = &registry;
        env.settingsPath = dir.filePath(QStringLiteral("VELT.ini"));
        env.timerIntervalMs = 1;
        env.pictureTimerIntervalMs = pictureTimerMs;
        env.keyRepeatGuardMs = 0;
        env.today = QDate(2026, 12, 7);
        view = std::make_unique<velt::FrmView>(state, settings, dialogs, env);
        view->Form_Load();
        view->show();
        dialogs.messages.clear();
    }
};
