// The configuration file as any program or person may have left it: read,
// one key written and deleted with the rest kept, and the shares loaded from
// it. Input: the file's bytes; its first line also gives the value to write.
#include "platform/cp949.h"
#include "platform/profilefile.h"
#include "shares/sharepersistence.h"
#include "shares/shareregistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstddef>
#include <cstdint>

namespace {

// In memory where there is a place for it: every input writes the file twice.
QString Scratch() { return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath(); }

QString IniPath() {
    static const QString path = [] {
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
        // Share paths are read relative to this folder, which holds a file and a folder.
        const QString folder = Scratch() + QStringLiteral("/quillmere-fuzz-profile");
        QDir().mkpath(folder + QStringLiteral("/music"));
        QFile f(folder + QStringLiteral("/a.txt"));
        if (f.open(QIODevice::WriteOnly)) f.write("twelve bytes");
        QDir::setCurrent(folder);
        return Scratch() + QStringLiteral("/quillmere-fuzz-%1.ini").arg(QCoreApplication::applicationPid());
    }();
    return path;
}

QByteArray ReadAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString path = IniPath();
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    Write(path, bytes);

    const QString section = bytes.isEmpty() || (bytes[0] & 1) ? QStringLiteral("SHAREFILE") : QStringLiteral("Other");
    const QString key = QStringLiteral("1");
    const QString untouched = QStringLiteral("0");
    const QString value = cp949::decode(bytes.left(bytes.indexOf('\n')).replace('\r', ' ')).trimmed();
    QString error;
    {
        ProfileFile file(path);
        const QString before = file.ReadString(section, untouched, QStringLiteral("-"));
        // Nothing changed: nothing is written.
        if (!file.Save(&error) || ReadAll(path) != bytes) __builtin_trap();
        if (cp949::canEncode(value) && !value.contains(QLatin1Char('\0'))) {
            file.WriteString(section, key, value);
            if (file.ReadString(section, key) != value) __builtin_trap();
            if (!file.Save(&error)) __builtin_trap();
            const ProfileFile again(path);
            if (again.ReadString(section, key) != value) __builtin_trap();
            if (again.ReadString(section, untouched, QStringLiteral("-")) != before) __builtin_trap();
        }
        file.DeleteKey(section, key);
        if (!file.ReadString(section, key, QStringLiteral("-")).startsWith(QLatin1Char('-'))) __builtin_trap();
        if (!file.Save(&error)) __builtin_trap();
        if (ProfileFile(path).ReadString(section, key, QStringLiteral("-")) != QStringLiteral("-")) __builtin_trap();
    }

    // Share paths that stay inside the folder: no "/" and no "..".
    if (!bytes.contains('/') && !bytes.contains("..")) {
        Write(path, bytes);
        ShareRegistry registry;
        LoadShares(registry, path);
        for (const ShareRecord &r : registry.Records())
            if (r.FullPath().contains(QLatin1Char(';')) || !cp949::canEncode(r.FullPath())) __builtin_trap();
        if (!SaveShares(registry, path, &error)) __builtin_trap();
        ShareRegistry reloaded;
        LoadShares(reloaded, path);
        if (reloaded.Records().size() != registry.Records().size()) __builtin_trap();
    }
    QFile::remove(path);
    return 0;
}
