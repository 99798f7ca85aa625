// SPDX-License-Identifier: MIT
#include "ui/AboutBox.h"
#include "ui/HelpWindow.h"
#include "ui/Translations.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>
#include <QtWidgets>

using namespace qie;

namespace {

QStringList headingsOf(const QTextDocument &document)
{
    QStringList headings;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() > 0)
            headings << block.text();
    }
    return headings;
}

// The version the package's changelog gives, read from its first line: "name (version) ...".
QString changelogVersion()
{
    QFile file(QStringLiteral(QIE_SOURCE_DIR "/docs/changelog"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const auto match = QRegularExpression(QStringLiteral("^\\S+ \\(([^)]+)\\)"))
                           .match(QString::fromUtf8(file.readLine()));
    return match.captured(1);
}

// Removes every translator the application holds; a translator leaves the application as it
// is destroyed.
void removeTranslators()
{
    qDeleteAll(qApp->findChildren<QTranslator *>());
}

} // namespace

// The help window, its About box, and the choice of language for both.
class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        removeTranslators();
        QLocale::setDefault(QLocale::c());
    }

    // Each part of the manual, in the language of the locale.
    void manualHasItsSections_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("heading");
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        const QLocale japanese(QLocale::Japanese, QLocale::Japan);
        const QLocale c = QLocale::c();
        QTest::newRow("English: session") << english << QStringLiteral("A session, step by step");
        QTest::newRow("English: drawing") << english << QStringLiteral("Drawing");
        QTest::newRow("English: text and import") << english << QStringLiteral("Text and import");
        QTest::newRow("English: port") << english << QStringLiteral("The port and pins");
        QTest::newRow("English: received") << english << QStringLiteral("Received data");
        QTest::newRow("English: commands") << english << QStringLiteral("Commands");
        QTest::newRow("English: files") << english << QStringLiteral("Files and limits");
        QTest::newRow("English: keys") << english << QStringLiteral("Keys");
        QTest::newRow("English: messages") << english << QStringLiteral("Messages");
        QTest::newRow("C locale reads English") << c << QStringLiteral("Messages");
        QTest::newRow("Japanese: session") << japanese << QStringLiteral("作業の流れ");
        QTest::newRow("Japanese: drawing") << japanese << QStringLiteral("描画");
        QTest::newRow("Japanese: text and import")
            << japanese << QStringLiteral("テキストと画像の取り込み");
        QTest::newRow("Japanese: port") << japanese << QStringLiteral("ポートとピン留め");
        QTest::newRow("Japanese: received") << japanese << QStringLiteral("受信データ");
        QTest::newRow("Japanese: commands") << japanese << QStringLiteral("コマンド");
        QTest::newRow("Japanese: files") << japanese << QStringLiteral("ファイルと上限");
        QTest::newRow("Japanese: keys") << japanese << QStringLiteral("キー");
        QTest::newRow("Japanese: messages") << japanese << QStringLiteral("メッセージ");
    }
    void manualHasItsSections()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, heading);
        QLocale::setDefault(locale);
        QWidget editor;
        HelpWindow *help = HelpWindow::open(&editor);
        const QStringList headings = headingsOf(*help->browser()->document());
        QVERIFY2(headings.contains(heading),
                 qPrintable(QStringLiteral("\"%1\" is not among the headings: %2")
                                .arg(heading, headings.join(QStringLiteral(" | ")))));
    }

    // The operator reads the manual beside the editor: the window is its own, leaves the
    // editor usable, and a second F1 raises the same window rather than stacking another.
    void helpWindowIsNotModal()
    {
        QWidget editor;
        editor.show();
        HelpWindow *help = HelpWindow::open(&editor);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QCOMPARE(help->isWindow(), true);
        QCOMPARE(help->windowModality(), Qt::NonModal);
        QCOMPARE(HelpWindow::open(&editor), help);
    }

    void aboutBoxOpensFromHelpNotModal()
    {
        QWidget editor;
        HelpWindow *help = HelpWindow::open(&editor);
        auto *about = help->findChild<QPushButton *>(QStringLiteral("about"));
        QVERIFY(about != nullptr);
        QCOMPARE(about->text(), QStringLiteral("&About…"));
        QTest::mouseClick(about, Qt::LeftButton);
        auto *box = help->findChild<AboutBox *>();
        QVERIFY(box != nullptr);
        QCOMPARE(box->isVisible(), true);
        QCOMPARE(box->isModal(), false);
    }

    void aboutTells_data()
    {
        QTest::addColumn<QString>("expected");
        QTest::newRow("version, as the changelog gives it")
            << QStringLiteral("Quernel Image Editor %1").arg(changelogVersion());
        QTest::newRow("licence") << QStringLiteral("Licence: MIT");
        QTest::newRow("Qt version it runs on")
            << QStringLiteral("Qt %1").arg(QString::fromLatin1(qVersion()));
    }
    void aboutTells()
    {
        QFETCH(QString, expected);
        QVERIFY2(!changelogVersion().isEmpty(), "docs/changelog gives no version");
        const QString text = AboutBox::text();
        QVERIFY2(text.contains(expected),
                 qPrintable(QStringLiteral("\"%1\" is not in: %2").arg(expected, text)));
    }

    // English and the C locale need nothing loaded, so that start-up there reads no file.
    void translationNeeded_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("needed");
        QTest::newRow("C") << QLocale::c() << false;
        QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << false;
        QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan) << true;
        QTest::newRow("de_DE, Qt's own buttons")
            << QLocale(QLocale::German, QLocale::Germany) << true;
    }
    void translationNeeded()
    {
        QFETCH(QLocale, locale);
        QFETCH(bool, needed);
        QCOMPARE(Translations::needed(locale), needed);
    }

    // What a Japanese desktop shows once both translations are in: the program's own words and
    // Qt's standard buttons, which the exit question uses.
    void japaneseInstalled_data()
    {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("shown");
        QTest::newRow("the program's own")
            << QStringLiteral("qie::HelpWindow") << QStringLiteral("&About…")
            << QStringLiteral("バージョン情報(&A)…");
        QTest::newRow("Qt's Yes button") << QStringLiteral("QPlatformTheme")
                                         << QStringLiteral("&Yes") << QStringLiteral("はい(&Y)");
    }
    void japaneseInstalled()
    {
        QFETCH(QString, context);
        QFETCH(QString, source);
        QFETCH(QString, shown);
        Translations::install(*qApp, QLocale(QLocale::Japanese, QLocale::Japan));
        QCOMPARE(QCoreApplication::translate(qPrintable(context), qPrintable(source)), shown);
    }
};

QTEST_MAIN(TestHelp)
#include "test_help.moc"
