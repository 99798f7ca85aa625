// SPDX-License-Identifier: MIT
#include "FakeCommControl.h"
#include "FakeDialogService.h"
#include "PictureRows.h"
#include "images/ImageImport.h"
#include "images/Inflate.h"
#include "images/SvgGuard.h"
#include "ui/Form1.h"
#include "ui/ImportDialog.h"
#include "ui/PictureEditor.h"

#include <QBuffer>
#include <QClipboard>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QLabel>
#include <QLoggingCategory>
#include <QMimeData>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>
#include <QtEndian>
#include <optional>
#include <zlib.h>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

Q_DECLARE_METATYPE(qie::Inflate::Result::Outcome)

using namespace qie;
using namespace qie::test;

namespace {

constexpr qint64 kMiB = qint64(1024) * 1024;

// A drawing 20 x 10 around `body`, with the xlink prefix declared.
QByteArray drawing(const QByteArray &body)
{
    return "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
           "width='20' height='10'>"
        + body + "</svg>";
}

// White over the first four columns, on the black the import assumes.
const QByteArray kWhiteBar = "<rect x='0' y='0' width='4' height='10' fill='white'/>";
const QStringList kBarRows(10, QStringLiteral("####.."));

// zlib's own compression, fed piece by piece, so that a bomb of any size costs the test only
// its compressed bytes.
class Deflater
{
public:
    // 16 + MAX_WBITS for gzip, MAX_WBITS for the zlib stream inside a PNG.
    explicit Deflater(int windowBits)
    {
        deflateInit2(&m_z, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY);
    }
    ~Deflater() { deflateEnd(&m_z); }
    Deflater(const Deflater &) = delete;
    Deflater &operator=(const Deflater &) = delete;

    void feed(QByteArrayView in, int flush = Z_NO_FLUSH)
    {
        m_z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in.data()));
        m_z.avail_in = uInt(in.size());
        do {
            m_z.next_out = reinterpret_cast<Bytef *>(m_chunk.data());
            m_z.avail_out = uInt(m_chunk.size());
            deflate(&m_z, flush);
            m_out.append(m_chunk.constData(), m_chunk.size() - qsizetype(m_z.avail_out));
        } while (m_z.avail_out == 0);
    }
    QByteArray finish()
    {
        feed({}, Z_FINISH);
        return m_out;
    }

private:
    z_stream m_z {};
    QByteArray m_chunk = QByteArray(qsizetype(256) * 1024, '\0');
    QByteArray m_out;
};

// `head`, then `fill` spaces, then `tail`, gzip-compressed.
QByteArray gzipped(const QByteArray &head, qint64 fill, const QByteArray &tail)
{
    Deflater gzip(16 + MAX_WBITS);
    const QByteArray spaces(qsizetype(kMiB), ' ');
    gzip.feed(head);
    for (qint64 left = fill; left > 0; left -= spaces.size())
        gzip.feed(spaces.first(qsizetype(std::min<qint64>(left, spaces.size()))));
    gzip.feed(tail);
    return gzip.finish();
}

// A white 8-bit RGB PNG written chunk by chunk, so that one too large to decode costs the
// test only its compressed bytes.
QByteArray whitePng(quint32 width, quint32 height)
{
    const auto chunk = [](const QByteArray &type, const QByteArray &data) {
        const QByteArray body = type + data;
        QByteArray out(4, '\0');
        qToBigEndian(quint32(data.size()), out.data());
        QByteArray crc(4, '\0');
        qToBigEndian(
            quint32(crc32(0, reinterpret_cast<const Bytef *>(body.constData()), uInt(body.size()))),
            crc.data());
        return out + body + crc;
    };
    QByteArray header(13, '\0');
    qToBigEndian(width, header.data());
    qToBigEndian(height, header.data() + 4);
    header[8] = 8; // bits a sample
    header[9] = 2; // RGB
    Deflater pixels(MAX_WBITS);
    const QByteArray row = '\0' + QByteArray(qsizetype(width) * 3, char(0xff));
    for (quint32 y = 0; y < height; ++y)
        pixels.feed(row);
    return "\x89PNG\r\n\x1a\n" + chunk("IHDR", header) + chunk("IDAT", pixels.finish())
        + chunk("IEND", {});
}

QByteArray gzipped(const QByteArray &plain)
{
    return gzipped(plain, 0, {});
}

// A drawing of `size` bytes in all whose bulk is a comment, which the copy leaves out.
QByteArray paddedDrawing(qint64 size)
{
    const QByteArray head = "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='10'><!--";
    const QByteArray tail = "--></svg>";
    return head + QByteArray(qsizetype(size - head.size() - tail.size()), ' ') + tail;
}

QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return bytes;
}

QImage white(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// The references a document holds, read on their own: every href of any prefix, and the
// processing instructions as "?target data".
QStringList referencesIn(const QByteArray &document)
{
    QStringList found;
    QXmlStreamReader reader(document);
    reader.setNamespaceProcessing(false);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isProcessingInstruction())
            found << u'?' + reader.processingInstructionTarget().toString() + u' '
                    + reader.processingInstructionData().toString();
        for (const QXmlStreamAttribute &attribute : reader.attributes()) {
            const QString name = attribute.qualifiedName().toString();
            if (name == QLatin1String("href") || name.endsWith(QLatin1String(":href")))
                found << attribute.value().toString();
        }
    }
    return found;
}

// Nested `depth` elements deep, the white bar the deepest.
QByteArray nested(int depth)
{
    const int groups = depth - 2;
    return drawing(QByteArray("<g>").repeated(groups) + kWhiteBar
                   + QByteArray("</g>").repeated(groups));
}

QByteArray withEntities(const QByteArray &declarations, const QByteArray &body)
{
    return "<?xml version='1.0'?><!DOCTYPE svg [" + declarations + "]>" + drawing(body);
}

} // namespace

// What an SVG may reach and what it may cost, from the guard's copy to the import, the
// command, the import dialog and the clipboard.
class TestSvg : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    FakeDialogService m_dialogs;
    FakeCommControl m_port;

private slots:
    void initTestCase()
    {
        QVERIFY2(QImageReader::supportedImageFormats().contains("svg"),
                 "the SVG image format plugin is missing (scripts/deps.sh installs it)");
        // The renderer warns of every image it could not load, quoting a data: URL whole.
        QLoggingCategory::setFilterRules(QStringLiteral("qt.svg.warning=false"));
    }

    // The renderer's copy keeps the references that stay inside the document, and each one
    // left out gives a note naming it.
    void references_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<int>("notes");
        QTest::addColumn<QString>("note");
        const QByteArray whitePng = png(white(4, 10)).toBase64();
        const QByteArray inner = drawing(kWhiteBar);

        QTest::newRow("href with no prefix")
            << drawing("<use href='other.svg#a'/>") << QStringList() << 1 << "\"other.svg#a\"";
        QTest::newRow("a prefix of the document's own")
            << drawing("<g xmlns:q='http://www.w3.org/1999/xlink'><use q:href='/etc/passwd'/></g>")
            << QStringList() << 1 << "\"/etc/passwd\"";
        QTest::newRow("a file whose name begins with data")
            << drawing("<image width='20' height='10' xlink:href='database.png'/>") << QStringList()
            << 1 << "\"database.png\"";
        QTest::newRow("a fragment kept")
            << drawing("<use xlink:href='#bar'/>") << QStringList { "#bar" } << 0 << QString();
        QTest::newRow("a fragment on an image is a file name there")
            << drawing("<image width='20' height='10' xlink:href='#bar'/>") << QStringList() << 1
            << "\"#bar\"";
        QTest::newRow("an embedded PNG kept")
            << drawing("<image width='4' height='10' xlink:href='data:image/png;base64," + whitePng
                       + "'/>")
            << QStringList { "data:image/png;base64," + whitePng } << 0 << QString();
        // Qt 6.4's renderer decodes from after the last "base64,", whatever comes before it.
        QTest::newRow("an embedded drawing after the last base64,")
            << drawing("<image width='4' height='10' xlink:href='data:text/plain,base64,"
                       + inner.toBase64() + "'/>")
            << QStringList() << 1 << "an SVG image embedded in the drawing was left out";
        QTest::newRow("an embedded drawing percent-encoded")
            << drawing("<image width='4' height='10' xlink:href='data:image/svg+xml,"
                       + inner.toPercentEncoding() + "'/>")
            << QStringList() << 1 << "an SVG image embedded";
        QTest::newRow("a style sheet")
            << "<?xml-stylesheet href='look.css' type='text/css'?>" + drawing(kWhiteBar)
            << QStringList() << 1
            << "the style sheet it names (\"href='look.css' type='text/css'\") was left out";
        QTest::newRow("a long reference with line ends is cut and shown escaped")
            << drawing("<use href='a&#10;b&#x85;c&#x2028;" + QByteArray(100, 'd') + "'/>")
            << QStringList() << 1
            << "\"a\\x0ab\\x85c\\u{2028}" + QString(74, u'd') + QChar(0x2026) + u'"';
    }
    void references()
    {
        QFETCH(QByteArray, document);
        QFETCH(QStringList, kept);
        QFETCH(int, notes);
        QFETCH(QString, note);
        const SvgGuard::Result result = SvgGuard::clean(document, 64 * kMiB);
        QCOMPARE(result.error, QString());
        QCOMPARE(referencesIn(result.svg), kept);
        QCOMPARE(result.notes.size(), notes);
        if (!note.isEmpty())
            QVERIFY2(result.notes.constFirst().contains(note), qPrintable(result.notes.join('\n')));
    }

    // Ten references: eight notes, and one for the other two.
    void tooManyNotes()
    {
        const SvgGuard::Result result = SvgGuard::clean(
            drawing("<use href='/a'/>" + QByteArray("<use href='/b'/>").repeated(9)), 64 * kMiB);
        QCOMPARE(result.notes.value(7),
                 "the reference to \"/b\" was left out: a drawing is "
                 "imported from its own content only.");
        QCOMPARE(result.notes.value(8), "2 more references were left out.");
    }

    // Drawn as the file says, the guard's copy standing in for it.
    void accepted_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::newRow("nested 256 deep") << nested(256);
        QTest::newRow("many elements side by side")
            << drawing(QByteArray("<g/>").repeated(300) + kWhiteBar);
        QTest::newRow("entities adding 1048000 characters")
            << withEntities("<!ENTITY a '" + QByteArray(2000, 'a') + "'>",
                            "<desc>" + QByteArray("&a;").repeated(524) + "</desc>" + kWhiteBar);
        QTest::newRow("compressed") << gzipped(drawing(kWhiteBar));
    }
    void accepted()
    {
        QFETCH(QByteArray, document);
        const ImportResult result = ImageImport::fromData(document);
        QCOMPARE(result.error, QString());
        QCOMPARE(rowsOf(result.picture, 6), kBarRows);
    }

    // Refused with a message that names the cause, before the cost is paid.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("says");
        const QString entities
            = QStringLiteral("cannot be imported: its entities would expand to more than "
                             "1048576 characters.");
        QTest::newRow("nested 257 deep")
            << nested(257) << "cannot be imported: its elements are nested more than 256 deep.";
        QByteArray laughs = "<!ENTITY l0 'lol'>";
        for (int i = 1; i < 10; ++i)
            laughs += QByteArray("<!ENTITY l%1 '").replace("%1", QByteArray::number(i))
                + QByteArray("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "'>";
        QTest::newRow("a billion laughs")
            << withEntities(laughs, "<text>&l9;</text>" + kWhiteBar) << entities;
        QTest::newRow("entities adding 1050000 characters")
            << withEntities("<!ENTITY a '" + QByteArray(2000, 'a') + "'>",
                            "<desc>" + QByteArray("&a;").repeated(525) + "</desc>" + kWhiteBar)
            << entities;
        QTest::newRow("entities that refer to each other")
            << withEntities("<!ENTITY a '&b;'><!ENTITY b '&a;'>", kWhiteBar) << entities;
        QTest::newRow("a parameter entity that grows in the DTD")
            << withEntities("<!ENTITY % p '<!ENTITY b \"bbbbbbbbbbbbbbbbbbbb\">'> %p;", kWhiteBar)
            << "Entity expands to more characters";
        QTest::newRow("default values that grow the copy over 64 MiB")
            << withEntities("<!ATTLIST g note CDATA '" + QByteArray(60000, 'n') + "'>",
                            QByteArray("<g/>").repeated(1200))
            << "cannot be imported: it is too large: written out again it is more than 64 MiB";
        QTest::newRow("inflating to one byte over 64 MiB")
            << gzipped(paddedDrawing(64 * kMiB + 1))
            << "cannot be imported: it is too large: it inflates to more than 64 MiB, and at "
               "most 64 MiB are allowed.";
        QTest::newRow("compressed and cut short")
            << gzipped(drawing(kWhiteBar)).chopped(12) << "the compressed drawing is damaged";
    }
    void refused()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, says);
        const ImportResult result = ImageImport::fromData(document);
        QVERIFY2(result.error.contains(says), qPrintable(result.error));
        QCOMPARE(result.picture, Picture());
    }

    // Reading and inflating stop one byte over the budget, however much more there is.
    void bounds_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<qint64>("bytesRead");
        QTest::addColumn<qint64>("inflated");
        QTest::addColumn<QString>("error");
        QTest::newRow("plain") << paddedDrawing(65 * kMiB) << Q_INT64_C(67108865) << Q_INT64_C(0)
                               << "it is too large: it is more than 64 MiB, and at most 64 MiB "
                                  "are allowed";
        const QByteArray bomb = gzipped(paddedDrawing(65 * kMiB));
        QTest::newRow("compressed") << bomb << qint64(bomb.size()) << Q_INT64_C(67108865)
                                    << "it is too large: it inflates to more than 64 MiB, and at "
                                       "most 64 MiB are allowed";
    }
    void bounds()
    {
        QFETCH(QByteArray, input);
        QFETCH(qint64, bytesRead);
        QFETCH(qint64, inflated);
        QFETCH(QString, error);
        QBuffer buffer(&input);
        buffer.open(QIODevice::ReadOnly);
        const SvgGuard::Result result = SvgGuard::read(buffer, ImageImport::kMaxDecodedBytes);
        QCOMPARE(result.bytesRead, bytesRead);
        QCOMPARE(result.inflated, inflated);
        QCOMPARE(result.error, error);
        QCOMPARE(result.svg, QByteArray());
    }

    void inflate_data()
    {
        QTest::addColumn<QByteArray>("compressed");
        QTest::addColumn<Inflate::Result::Outcome>("outcome");
        QTest::addColumn<qint64>("inflated");
        using Outcome = Inflate::Result::Outcome;
        QTest::newRow("exactly the cap") << gzipped({}, 1000, {}) << Outcome::Done << qint64(1000);
        QTest::newRow("one byte over the cap")
            << gzipped({}, 1001, {}) << Outcome::TooLarge << qint64(1001);
        QTest::newRow("two members")
            << gzipped({}, 600, {}) + gzipped({}, 400, {}) << Outcome::Done << qint64(1000);
        QTest::newRow("bytes after the last member")
            << gzipped({}, 600, {}) + "junk" << Outcome::Damaged << qint64(600);
    }
    void inflate()
    {
        QFETCH(QByteArray, compressed);
        QFETCH(Inflate::Result::Outcome, outcome);
        QFETCH(qint64, inflated);
        const Inflate::Result result = Inflate::gzip(compressed, 1000);
        QCOMPARE(result.outcome, outcome);
        QCOMPARE(result.inflated, inflated);
        QCOMPARE(qint64(result.bytes.size()),
                 outcome == Inflate::Result::Outcome::Done ? inflated : 0);
    }

    // An image embedded in a drawing is decoded within the image budget: one that would need
    // 67 MiB (4200 x 4200 at 4 bytes a pixel) is not drawn.
    void embeddedImageWithinBudget()
    {
        const ImportResult result = ImageImport::fromData(
            drawing("<image x='0' y='0' width='20' height='10' xlink:href='data:image/png;base64,"
                    + whitePng(4200, 4200).toBase64() + "'/>"));
        QCOMPARE(result.error, QString());
        QCOMPARE(rowsOf(result.picture, 20), QStringList(10, QString(20, u'.')));
    }

    // A reference to a picture the user can read is not drawn, and the import dialog says so.
    void localImageLeftOut()
    {
        const QString picture = m_dir.filePath(QStringLiteral("white.png"));
        QVERIFY(white(20, 10).save(picture));
        const QString path = m_dir.filePath(QStringLiteral("reaching.svg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(drawing("<image x='0' y='0' width='20' height='10' xlink:href='"
                           + picture.toUtf8() + "'/>"));
        file.close();

        const ImportResult result = ImageImport::fromFile(path);
        QCOMPARE(result.error, QString());
        QCOMPARE(rowsOf(result.picture, 20), QStringList(10, QString(20, u'.')));
        const ImportDialog dialog(ImageImport::scaleFile(path), QStringLiteral("reaching.svg"));
        QCOMPARE(dialog.notesLabel()->text(),
                 QStringLiteral("the reference to \"%1\" was left out: a drawing is imported from "
                                "its own content only.")
                     .arg(picture));
        QCOMPARE(dialog.notesLabel()->isHidden(), false);
    }

    // The command never opens a FIFO a drawing names: the test holds the FIFO open at both
    // ends, so that an open would not block but be reported by inotify, and waits for
    // whichever comes first, the command's end or that report.
    void fifoNeverOpened()
    {
#ifdef Q_OS_LINUX
        const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const int held = ::open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK);
        QVERIFY(held >= 0);
        const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(watch >= 0);
        QVERIFY(inotify_add_watch(watch, QFile::encodeName(fifo).constData(), IN_OPEN) >= 0);
        const QString path = m_dir.filePath(QStringLiteral("fifo.svg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(drawing(kWhiteBar + "<image width='20' height='10' xlink:href='" + fifo.toUtf8()
                           + "'/>"));
        file.close();

        QProcess process;
        QEventLoop loop;
        QSocketNotifier opened(watch, QSocketNotifier::Read);
        connect(&opened, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        process.start(QStringLiteral(QIE_PROGRAM),
                      { QStringLiteral("convert"), path, QStringLiteral("-o"),
                        m_dir.filePath(QStringLiteral("fifo.txt")) });
        loop.exec();
        char events[4096];
        const ssize_t reported = ::read(watch, events, sizeof events);
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
        ::close(watch);
        ::close(held);
        QCOMPARE(reported > 0, false);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()),
                 QStringLiteral("quernel-image-editor convert: the reference to \"%1\" was left "
                                "out: a drawing is imported from its own content only.\n")
                     .arg(fifo));
#else
        QSKIP("inotify, which shows the open, is Linux's");
#endif
    }

    // An image another program put on the clipboard is read from the bytes it offers, as a
    // file: too large is said with the limit, and a drawing passes the same guard.
    void paste_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QStringList>("picture");
        QImage huge(7900, 7900, QImage::Format_Mono);
        huge.fill(0);
        QTest::newRow("7900 x 7900")
            << "image/png" << png(huge)
            << "The image is 7900 x 7900 pixels, too large to import: it would need 238 MiB of "
               "memory, and at most 64 MiB are allowed."
            << QStringList(10, QStringLiteral("......"));
        QTest::newRow("a drawing that names a file")
            << "image/svg+xml" << drawing(kWhiteBar + "<image xlink:href='/etc/x.png'/>")
            << "the reference to \"/etc/x.png\" was left out: a drawing is imported from its own "
               "content only."
            << kBarRows;
    }
    void paste()
    {
        QFETCH(QString, type);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, says);
        QFETCH(QStringList, picture);
        m_dialogs = {};
        Form1 form(m_dialogs, m_port);
        auto *data = new QMimeData;
        data->setData(type, bytes);
        QGuiApplication::clipboard()->setMimeData(data);
        form.pictureEditor().paste();
        QCOMPARE(m_dialogs.boxes.size(), 1);
        QCOMPARE(m_dialogs.boxes.value(0).text, says);
        QCOMPARE(rowsOf(form.model().picture(), 6), picture);
    }
};

QTEST_MAIN(TestSvg)
#include "test_svg.moc"
