// SPDX-License-Identifier: MIT
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// The check that keeps the Japanese translation complete, run on a made-up source and
// translation file, with the real lupdate.
class TestTranslations : public QObject
{
    Q_OBJECT

    static QByteArray tsFile(const QByteArray &messages)
    {
        return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
               "<TS version=\"2.1\" language=\"ja_JP\">\n<context>\n    <name>Gate</name>\n"
            + messages + "</context>\n</TS>\n";
    }
    static QByteArray message(const QByteArray &source, const QByteArray &translation)
    {
        return "    <message>\n        <source>" + source + "</source>\n        " + translation
            + "\n    </message>\n";
    }

private slots:
    void check_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QByteArray>("ts");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("named");
        const QByteArray open = "QCoreApplication::translate(\"Gate\", \"Open the gate\");\n";
        const QByteArray close = "QCoreApplication::translate(\"Gate\", \"Close it\");\n";
        const QByteArray openDone
            = message("Open the gate", "<translation>門を開ける</translation>");
        const QByteArray closeDone = message("Close it", "<translation>閉じる</translation>");
        QTest::newRow("every string translated")
            << open + close << tsFile(openDone + closeDone) << 0 << QString();
        QTest::newRow("a string without a translation")
            << open + close << tsFile(openDone) << 1 << QStringLiteral("\"Close it\"");
        QTest::newRow("an entry whose source is gone")
            << open << tsFile(openDone + closeDone) << 1
            << QStringLiteral("\"Close it\" is no longer in the sources");
    }
    void check()
    {
        QFETCH(QByteArray, source);
        QFETCH(QByteArray, ts);
        QFETCH(int, status);
        QFETCH(QString, named);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QFile code(folder.filePath(QStringLiteral("gate.cpp")));
        QVERIFY(code.open(QIODevice::WriteOnly));
        code.write("#include <QCoreApplication>\nvoid gate()\n{\n" + source + "}\n");
        code.close();
        const QString tsPath = folder.filePath(QStringLiteral("gate_ja.ts"));
        QFile translations(tsPath);
        QVERIFY(translations.open(QIODevice::WriteOnly));
        translations.write(ts);
        translations.close();

        QProcess check;
        check.setProcessChannelMode(QProcess::MergedChannels);
        check.start(
            QStringLiteral(QIE_SOURCE_DIR "/scripts/check-translations"),
            { QStringLiteral("--lupdate"), QStringLiteral(QIE_LUPDATE), tsPath, code.fileName() });
        QVERIFY(check.waitForFinished(60000));
        const QString output = QString::fromUtf8(check.readAll());
        QVERIFY2(output.contains(named), qPrintable(output));
        QCOMPARE(check.exitCode(), status);
        // The check works on a copy: the file in the tree is never rewritten by it.
        QVERIFY(translations.open(QIODevice::ReadOnly));
        QCOMPARE(translations.readAll(), ts);
    }
};

QTEST_GUILESS_MAIN(TestTranslations)
#include "test_translations.moc"
