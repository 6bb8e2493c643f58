// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Which mounted volumes the drive list offers.
#include "paths.h"

#include <QtTest>

class PathsTest : public QObject {
    Q_OBJECT
private slots:
    void browsableVolumes_data();
    void browsableVolumes();
};

void PathsTest::browsableVolumes_data()
{
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QString>("root");
    QTest::addColumn<bool>("browsable");
    QTest::newRow("root on overlay") << QByteArray("overlay") << "/" << true;
    QTest::newRow("home") << QByteArray("ext4") << "/home" << true;
    QTest::newRow("usb stick") << QByteArray("vfat") << "/media/me/STICK" << true;
    QTest::newRow("udisks media") << QByteArray("exfat") << "/run/media/me/CARD" << true;
    QTest::newRow("network share") << QByteArray("cifs") << "/mnt/music" << true;
    QTest::newRow("name starting like a system tree") << QByteArray("ext4") << "/runner/music" << true;
    QTest::newRow("proc") << QByteArray("proc") << "/proc" << false;
    QTest::newRow("sysfs") << QByteArray("sysfs") << "/sys" << false;
    QTest::newRow("tmpfs") << QByteArray("tmpfs") << "/dev/shm" << false;
    QTest::newRow("cgroup") << QByteArray("cgroup2") << "/sys/fs/cgroup" << false;
    QTest::newRow("snap") << QByteArray("squashfs") << "/snap/core/1" << false;
    QTest::newRow("docker layer") << QByteArray("overlay") << "/var/lib/docker/overlay2/x/merged" << false;
    QTest::newRow("runtime dir") << QByteArray("ext4") << "/run/user/1000/doc" << false;
    QTest::newRow("run itself") << QByteArray("ext4") << "/run" << false;
    QTest::newRow("efi") << QByteArray("vfat") << "/boot/efi" << false;
}

void PathsTest::browsableVolumes()
{
    QFETCH(QByteArray, type);
    QFETCH(QString, root);
    QFETCH(bool, browsable);
    QCOMPARE(IsBrowsableVolume(type, root), browsable);
}

QTEST_MAIN(PathsTest)
#include "tst_paths.moc"
