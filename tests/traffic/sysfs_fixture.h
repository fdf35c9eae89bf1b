#pragma once

#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <initializer_list>

// A /sys/class/net of fixture interfaces, each described as sysfs shows it.
struct SysfsLink {
    const char* name;
    int ifindex;
    int type = 1;                 // ARPHRD_*
    const char* flags = "0x1003"; // up, broadcast, multicast
    const char* devtype = nullptr;
    int iflink = 0; // 0: the link itself
    bool device = false;
    std::initializer_list<const char*> dirs = {};  // bridge, bonding, ...
    std::initializer_list<const char*> files = {}; // tun_flags, ...
    std::initializer_list<const char*> lower = {};
};

class SysfsFixture {
public:
    explicit SysfsFixture(const QTemporaryDir& dir, const QString& sub = QStringLiteral("sys"))
        : dir_(dir), root_(dir.filePath(sub)) {
        QDir().mkpath(root_);
    }

    QString root() const { return root_; }

    void add(const SysfsLink& l) {
        const QString d = root_ + '/' + l.name;
        QDir().mkpath(d);
        write(d + "/flags", QByteArray(l.flags) + '\n');
        write(d + "/type", QByteArray::number(l.type) + '\n');
        write(d + "/ifindex", QByteArray::number(l.ifindex) + '\n');
        write(d + "/iflink", QByteArray::number(l.iflink ? l.iflink : l.ifindex) + '\n');
        QByteArray uevent =
            "INTERFACE=" + QByteArray(l.name) + "\nIFINDEX=" + QByteArray::number(l.ifindex) + '\n';
        if (l.devtype)
            uevent = "DEVTYPE=" + QByteArray(l.devtype) + '\n' + uevent;
        write(d + "/uevent", uevent);
        if (l.device) {
            QDir().mkpath(dir_.filePath("devices/" + QString(l.name)));
            QFile::link(dir_.filePath("devices/" + QString(l.name)), d + "/device");
        }
        for (const char* sub : l.dirs)
            QDir().mkpath(d + '/' + sub);
        for (const char* file : l.files)
            write(d + '/' + file, "0x1002\n");
        for (const char* lower : l.lower)
            QFile::link(root_ + '/' + lower, d + "/lower_" + lower);
    }

    void remove(const char* name) { QDir(root_ + '/' + name).removeRecursively(); }

private:
    static void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }

    const QTemporaryDir& dir_;
    QString root_;
};
