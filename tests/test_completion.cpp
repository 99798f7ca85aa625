// SPDX-License-Identifier: MIT
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The bash completion, run by bash as it completes a typed line, in a folder of known files.
class TestCompletion : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;

    // What the completion offers for the words typed so far (the last one being completed),
    // sorted. PROGRAM stands for the program being completed.
    QStringList offered(const QStringList &words, const QString &program)
    {
        QProcess bash;
        bash.setWorkingDirectory(m_folder.path());
        const QString script = QStringLiteral(
            "source \"$1\"; program=$2; shift 2; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1));"
            " _quernel_image_editor \"$program\"; printf '%s\\n' \"${COMPREPLY[@]}\"");
        QStringList arguments { QStringLiteral("--norc"),
                                QStringLiteral("-c"),
                                script,
                                QStringLiteral("bash"),
                                QStringLiteral(QIE_SOURCE_DIR "/completion/quernel-image-editor"),
                                program };
        arguments += words;
        bash.start(QStringLiteral("bash"), arguments);
        if (!bash.waitForFinished(30000))
            return { QStringLiteral("(bash did not finish)") };
        QStringList lines
            = QString::fromUtf8(bash.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        lines.sort();
        return lines;
    }

    // The options a command's --help lists, read from the program itself. Qt's --help-all is
    // its own and not offered.
    static QStringList helpOptions(const QString &command)
    {
        QProcess program;
        program.start(QStringLiteral(QIE_PROGRAM), { command, QStringLiteral("--help") });
        program.waitForFinished(30000);
        const QString help = QString::fromUtf8(program.readAllStandardOutput());
        QStringList options;
        const QRegularExpression option(QStringLiteral("^  (?:(-\\w), )?(--[\\w-]+)"),
                                        QRegularExpression::MultilineOption);
        for (auto match = option.globalMatch(help); match.hasNext();) {
            const auto found = match.next();
            if (found.captured(2) == QLatin1String("--help-all"))
                continue;
            if (found.hasCaptured(1))
                options << found.captured(1);
            options << found.captured(2);
        }
        return options;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        for (const char *name :
             { "logo.png", "PHOTO.JPG", "drawing.svg", "beacon.txt", "notes.md" }) {
            QFile file(m_folder.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(m_folder.path()).mkdir(QStringLiteral("sub")));
        // A stand-in for the program whose ports command lists two ports.
        QFile fake(m_folder.filePath(QStringLiteral("fake-editor")));
        QVERIFY(fake.open(QIODevice::WriteOnly));
        fake.write("#!/bin/sh\n[ \"$1\" = ports ] && printf '3\\t/dev/ttyUSB0\\tadapter\\t-\\t-\\n"
                   "12\\t-\\t-\\t-\\tserial:0403:6001:A1\\n'\n");
        fake.close();
        fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void offers_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QStringList>("expected");
        const QString p = QStringLiteral("quernel-image-editor");
        QTest::newRow("commands and data files first")
            << QStringList { p, QString() }
            << QStringList { "beacon.txt", "convert", "ports", "send", "sub", "text" };
        QTest::newRow("top-level options")
            << QStringList { p, "-" } << QStringList { "--", "--help", "--version", "-h" };
        QTest::newRow("a data file after --")
            << QStringList { p, "--", QString() } << QStringList { "beacon.txt", "sub" };
        QTest::newRow("ports' options")
            << QStringList { p, "ports", "-" } << QStringList { "--help", "--json", "-h" };
        QTest::newRow("no options after --")
            << QStringList { p, "text", "--", "-" } << QStringList {};
        QTest::newRow("convert reads images")
            << QStringList { p, "convert", QString() }
            << QStringList { "PHOTO.JPG", "drawing.svg", "logo.png", "sub" };
        QTest::newRow("send reads a data file")
            << QStringList { p, "send", QString() } << QStringList { "beacon.txt", "sub" };
        QTest::newRow("-o writes any file")
            << QStringList { p, "convert", "logo.png", "-o", QString() }
            << QStringList { "PHOTO.JPG", "beacon.txt", "drawing.svg", "fake-editor",
                             "logo.png",  "notes.md",   "sub" };
        QTest::newRow("--width 1 to 16")
            << QStringList { p, "text", "A", "--width", "1" }
            << QStringList { "1", "10", "11", "12", "13", "14", "15", "16" };
        QTest::newRow("--callsign is free text")
            << QStringList { p, "convert", "--callsign", QString() } << QStringList {};
    }
    void offers()
    {
        QFETCH(QStringList, words);
        QFETCH(QStringList, expected);
        QCOMPARE(offered(words, QStringLiteral("quernel-image-editor")), expected);
    }

    // Port numbers come from the program's own list of ports.
    void portNumbersFromTheProgram()
    {
        const QString fake = m_folder.filePath(QStringLiteral("fake-editor"));
        QCOMPARE(offered({ fake, QStringLiteral("send"), QStringLiteral("x.txt"),
                           QStringLiteral("--port"), QString() },
                         fake),
                 (QStringList { "12", "3" }));
    }

    // The program's own ports command feeds it: a number QIE_COM<n> names is offered.
    void portNumbersFromTheRealProgram()
    {
        qputenv("QIE_COM47", "/dev/null");
        qputenv("XDG_CONFIG_HOME", m_folder.path().toLocal8Bit());
        const QStringList numbers
            = offered({ QStringLiteral("quernel-image-editor"), QStringLiteral("send"),
                        QStringLiteral("x.txt"), QStringLiteral("--port"), QStringLiteral("4") },
                      QStringLiteral(QIE_PROGRAM));
        qunsetenv("QIE_COM47");
        qunsetenv("XDG_CONFIG_HOME");
        QVERIFY2(numbers.contains(QStringLiteral("47")), qPrintable(numbers.join(u' ')));
    }

    // Every command and option the program documents is offered, so that the completion
    // follows when one is added.
    void commandsFollowTheProgram()
    {
        QProcess program;
        program.start(QStringLiteral(QIE_PROGRAM), { QStringLiteral("--help") });
        program.waitForFinished(30000);
        const QString help = QString::fromUtf8(program.readAllStandardOutput());
        const QRegularExpression command(QStringLiteral("^  ([a-z]+)  "),
                                         QRegularExpression::MultilineOption);
        const QStringList offeredCommands
            = offered({ QStringLiteral("quernel-image-editor"), QString() },
                      QStringLiteral("quernel-image-editor"));
        int documented = 0;
        for (auto match = command.globalMatch(help); match.hasNext(); ++documented) {
            const QString name = match.next().captured(1);
            QVERIFY2(offeredCommands.contains(name),
                     qPrintable(QStringLiteral("the command %1 is not offered").arg(name)));
        }
        QVERIFY2(documented > 0, qPrintable(QStringLiteral("--help lists no command: ") + help));
    }

    void followsTheProgram_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("convert") << QStringLiteral("convert");
        QTest::newRow("text") << QStringLiteral("text");
        QTest::newRow("send") << QStringLiteral("send");
        QTest::newRow("ports") << QStringLiteral("ports");
    }
    void followsTheProgram()
    {
        QFETCH(QString, command);
        const QStringList documented = helpOptions(command);
        QVERIFY2(documented.contains(QStringLiteral("--help")),
                 qPrintable(command + QStringLiteral(" --help lists no options")));
        const QStringList offeredOptions
            = offered({ QStringLiteral("quernel-image-editor"), command, QStringLiteral("-") },
                      QStringLiteral("quernel-image-editor"));
        for (const QString &option : documented)
            QVERIFY2(offeredOptions.contains(option),
                     qPrintable(QStringLiteral("%1 %2 is not offered").arg(command, option)));
    }
};

QTEST_GUILESS_MAIN(TestCompletion)
#include "test_completion.moc"
