// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Inputs the fuzzers once broke, kept small in regressions/: each lists
// through the engine to a well-formed outcome (the fuzzers replay them too).
#include "engine_outcome.h"
#include "robustness_fixture.h"

#include <QDir>

class RegressionInputsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_folder.installLibrary(), qPrintable(m_folder.error())); }

    void wellFormed_data()
    {
        QTest::addColumn<QString>("path");
        const QDir folder(QStringLiteral(MARROWFEN_REGRESSIONS_DIR));
        const QStringList names = folder.entryList(QDir::Files, QDir::Name);
        QVERIFY(!names.isEmpty());
        for (const QString &name : names)
            QTest::newRow(qPrintable(name)) << folder.filePath(name);
    }

    void wellFormed()
    {
        QFETCH(QString, path);
        QFile input(path);
        QVERIFY(input.open(QIODevice::ReadOnly));
        const QString copy = m_folder.write(QStringLiteral("Input.rsn"), input.readAll().toStdString());
        const EngineOutcome outcome = listThroughEngine(copy);
        QVERIFY(outcome.result == 0 || outcome.result == -1);
        if (outcome.result == -1) {
            QCOMPARE(outcome.entries, QString());
            QCOMPARE(outcome.messages.size(), 1);
        }
        QCOMPARE(entryListProblem(outcome.entries, copy), QString());
    }

private:
    ArchiveFolder m_folder;
};

QTEST_GUILESS_MAIN(RegressionInputsTest)
#include "tst_regression_inputs.moc"
