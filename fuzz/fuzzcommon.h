#pragma once

// What the fuzz targets share: a Qt application without a display, and a file holding the
// input for the entries that read files.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace fuzz {

// Once per process: a GUI application on the offscreen platform (picture readers are plugins).
// Never destroyed: at exit it would outlive the Qt globals it needs.
inline void startApplication()
{
    static QGuiApplication *app = nullptr;
    if (app)
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    static int argc = 1;
    static char name[] = "velt-fuzz";
    static char *argv[] = {name, nullptr};
    app = new QGuiApplication(argc, argv);
}

inline const QTemporaryDir &workDir()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/velt-fuzz-XXXXXX"));
    return dir;
}

// The input as a file of the given name in this process's folder; the same file each time.
inline QString inputFile(const std::uint8_t *data, std::size_t size, const QString &name)
{
    const QString path = workDir().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();
    return path;
}

inline QByteArray bytes(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A broken promise of the code under test: a finding like a crash.
inline void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace fuzz
