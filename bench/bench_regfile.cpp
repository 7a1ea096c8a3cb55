// Registry-file parser: time and memory for hostile shapes of input, each parsed in a child
// process of its own so that its peak memory is its own. Prints the file size, the store's
// bytes, the child's peak resident memory and the time.

#include "figure.h"

#include "cache/regfile.h"

#include <QElapsedTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

using namespace velt;

namespace {

constexpr qsizetype kTarget = 16 * 1024 * 1024 - 4096;

QByteArray repeatUntilFull(const QByteArray &head, const std::function<QByteArray(int)> &line)
{
    QByteArray out = head;
    for (int i = 0; out.size() < kTarget; ++i) {
        const QByteArray l = line(i);
        if (out.size() + l.size() > kTarget)
            break;
        out += l;
    }
    return out;
}

QByteArray deepKey(int components, int last)
{
    QByteArray key = "[HKLM";
    for (int c = 0; c < components; ++c)
        key += "\\a";
    return key + "\\" + QByteArray::number(last) + "]\n";
}

QByteArray utf16(const QByteArray &ascii)
{
    QByteArray out("\xFF\xFE");
    for (char c : ascii)
        out.append(c).append('\0');
    return out;
}

struct Case
{
    const char *id; // the figure's name
    const char *name;
    std::function<QByteArray()> make;
};

void run(const Case &c)
{
    const QByteArray file = c.make();
    const pid_t child = fork();
    if (child == 0) {
        QElapsedTimer clock;
        clock.start();
        RegFileStore store;
        parseRegFile(file, QStringLiteral("bench.reg"), store);
        const qint64 ms = clock.elapsed();
        rusage self{};
        getrusage(RUSAGE_SELF, &self);
        std::printf("%-44s %9.1f KB file %9.1f KB store (%5.2fx) %8.1f MB peak %6lld ms\n", c.name,
                    file.size() / 1024.0, store.memoryBytes() / 1024.0,
                    double(store.memoryBytes()) / double(std::max<qsizetype>(1, file.size())),
                    self.ru_maxrss / 1024.0, qlonglong(ms));
        std::fflush(stdout);
        const std::string id = std::string("regfile.") + c.id;
        bench::printFigure((id + "_peak_rss").c_str(), self.ru_maxrss / 1024.0, "MB",
                           (std::string("peak resident memory parsing ") + c.name).c_str());
        bench::printFigure((id + "_time").c_str(), double(ms), "ms",
                           (std::string("time parsing ") + c.name).c_str(), 0);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

} // namespace

int main()
{
    const Case cases[] = {
            {"deep_key", "30 000 components in one key (refused)",
             [] {
                 return "REGEDIT4\n" + deepKey(30000, 0);
             }},
            {"deep_keys_90k", "90 KB of 45 000-component keys (refused)",
             [] {
                 QByteArray f = "REGEDIT4\n";
                 while (f.size() < 90 * 1024)
                     f += deepKey(45000 / 20, f.size());
                 return f;
             }},
            {"keys_511", "16 MB of 511-component keys",
             [] {
                 return repeatUntilFull("REGEDIT4\n", [](int i) { return deepKey(510, i); });
             }},
            {"short_keys", "16 MB of short keys",
             [] {
                 return repeatUntilFull("REGEDIT4\n", [](int i) {
                     return "[HKLM\\" + QByteArray::number(i, 36) + "]\n";
                 });
             }},
            {"empty_values", "16 MB of empty values under one key",
             [] {
                 return repeatUntilFull("REGEDIT4\n[HKLM\\K]\n", [](int) { return "@=\"\"\n"; });
             }},
            {"repeated_section", "16 MB of one section repeated, a value in each",
             [] {
                 return repeatUntilFull("REGEDIT4\n", [](int) {
                     return QByteArray("[HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n"
                                       "\"SystemRoot\"=\"C:\\\\WINDOWS\"\n");
                 });
             }},
            {"value_removals", "16 MB of value removals",
             [] {
                 return repeatUntilFull("REGEDIT4\n[HKLM\\K]\n", [](int) { return "@=-\n"; });
             }},
            {"key_removals", "16 MB of key removals",
             [] {
                 return repeatUntilFull("REGEDIT4\n", [](int i) {
                     return "[-HKLM\\" + QByteArray::number(i, 36) + "]\n";
                 });
             }},
            {"hex_continued", "16 MB hex value over continued lines",
             [] {
                 return repeatUntilFull("REGEDIT4\n[HKLM\\K]\n\"b\"=hex:",
                                        [](int) { return QByteArray("00,01,02,\\\n"); })
                         + "00\n";
             }},
            {"utf16_keys", "8 MB UTF-16 of short keys",
             [] {
                 QByteArray a = "Windows Registry Editor Version 5.00\n";
                 for (int i = 0; a.size() < kTarget / 2; ++i)
                     a += "[HKLM\\" + QByteArray::number(i, 36) + "]\n";
                 return utf16(a);
             }},
    };
    for (const Case &c : cases)
        run(c);
    return 0;
}
