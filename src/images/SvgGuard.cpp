// SPDX-License-Identifier: MIT
#include "images/SvgGuard.h"

#include "images/Inflate.h"

#include <QBuffer>
#include <QHash>
#include <QIODevice>
#include <QImageReader>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <utility>
#include <vector>

namespace qie::SvgGuard {
namespace {

constexpr qint64 kReadChunk = qint64(64) * 1024;
constexpr qint64 kBytesPerMiB = qint64(1024) * 1024;
// A reference quoted in a note is cut after this many characters.
constexpr qsizetype kMaxShownCharacters = 80;

QString tooLarge(const QString &what, qint64 maxBytes)
{
    const qint64 mib = maxBytes / kBytesPerMiB;
    return QStringLiteral("it is too large: %1 more than %2 MiB, and at most %2 MiB are allowed")
        .arg(what)
        .arg(mib);
}

// A value from the document as a note shows it: quoted, cut, and with no character that
// would act on a terminal instead of showing.
QString shown(QStringView value)
{
    QString text;
    const QStringView cut = value.left(kMaxShownCharacters);
    for (const QChar c : cut) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0))
            text += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else if (u == 0x2028 || u == 0x2029)
            text += QStringLiteral("\\u{%1}").arg(u, 4, 16, QLatin1Char('0'));
        else
            text += c;
    }
    if (value.size() > cut.size())
        text += QChar(0x2026);
    return u'"' + text + u'"';
}

QStringView localName(QStringView qualifiedName)
{
    return qualifiedName.sliced(qualifiedName.lastIndexOf(u':') + 1);
}

bool isDrawing(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader::imageFormat(&buffer).startsWith("svg");
}

// Whether a data: URL holds a document the renderer would take for SVG. Two readings of the
// URL are tried: the renderer of Qt 6.4 decodes base64 from after the last "base64,", later
// ones decode the URL as a whole (base64 or percent-encoded).
bool embedsDrawing(QStringView url)
{
    const qsizetype lastBase64 = url.lastIndexOf(QLatin1String("base64,"));
    if (lastBase64 >= 0 && isDrawing(QByteArray::fromBase64(url.sliced(lastBase64 + 7).toLatin1())))
        return true;
    const qsizetype comma = url.indexOf(u',');
    if (comma < 0)
        return false;
    const QStringView payload = url.sliced(comma + 1);
    const bool base64 = url.first(comma).endsWith(QLatin1String(";base64"), Qt::CaseInsensitive);
    return isDrawing(base64 ? QByteArray::fromBase64(payload.toLatin1())
                            : QByteArray::fromPercentEncoding(payload.toUtf8()));
}

// The characters each declared entity adds when referenced, its references to others
// included; kMaxEntityCharacters + 1 stands for "more", a cycle among them too. Worked out
// with an explicit stack, as a chain of entities may be as long as the document allows.
qint64 longestEntity(const QXmlStreamEntityDeclarations &declarations)
{
    const qint64 more = kMaxEntityCharacters + 1;
    QHash<QString, qsizetype> index;
    for (qsizetype i = 0; i < declarations.size(); ++i)
        index.insert(declarations[i].name().toString(), i);

    // Each entity's own characters and the declared entities it refers to.
    struct Node
    {
        qint64 own = 0;
        std::vector<qsizetype> refers;
        qint64 length = -1; // -1 not worked out, -2 being worked out
    };
    std::vector<Node> nodes(std::size_t(declarations.size()));
    for (qsizetype i = 0; i < declarations.size(); ++i) {
        const QStringView value = declarations[i].value();
        Node &node = nodes[std::size_t(i)];
        qsizetype at = 0;
        while (at < value.size()) {
            const qsizetype amp = value.indexOf(u'&', at);
            const qsizetype semicolon = amp < 0 ? -1 : value.indexOf(u';', amp);
            if (semicolon < 0) {
                node.own += value.size() - at;
                break;
            }
            node.own += amp - at;
            const auto found
                = index.constFind(value.sliced(amp + 1, semicolon - amp - 1).toString());
            if (found != index.cend())
                node.refers.push_back(*found);
            else
                node.own += semicolon + 1 - amp; // a character reference adds less than it takes
            at = semicolon + 1;
        }
    }

    qint64 longest = 0;
    for (std::size_t start = 0; start < nodes.size(); ++start) {
        std::vector<std::pair<std::size_t, std::size_t>> stack { { start, 0 } };
        while (!stack.empty()) {
            auto &[current, next] = stack.back();
            Node &node = nodes[current];
            if (node.length >= 0) {
                stack.pop_back();
                continue;
            }
            node.length = -2;
            if (next < node.refers.size()) {
                const auto child = std::size_t(node.refers[next++]);
                if (nodes[child].length == -2)
                    nodes[child].length = more;
                else if (nodes[child].length == -1)
                    stack.emplace_back(child, 0);
                continue;
            }
            qint64 sum = node.own;
            for (const qsizetype child : node.refers)
                sum = std::min(more, sum + nodes[std::size_t(child)].length);
            node.length = std::min(more, sum);
            stack.pop_back();
        }
        longest = std::max(longest, nodes[start].length);
    }
    return longest;
}

// How many entity references the document can hold at most: each begins with '&', which every
// UTF encoding writes with a byte of that value. Any other encoding is counted at one
// reference a byte.
qint64 mostReferences(const QByteArray &document, QStringView encoding)
{
    if (encoding.isEmpty() || encoding.startsWith(QLatin1String("utf-8"), Qt::CaseInsensitive)
        || encoding.startsWith(QLatin1String("utf-16"), Qt::CaseInsensitive)
        || encoding.startsWith(QLatin1String("utf-32"), Qt::CaseInsensitive))
        return document.count('&');
    return document.size();
}

class Copy
{
public:
    Copy(const QByteArray &document, qint64 maxBytes)
        : m_document(document), m_maxBytes(maxBytes), m_reader(document)
    {
        m_buffer.open(QIODevice::WriteOnly);
        m_writer.setDevice(&m_buffer);
        m_reader.setNamespaceProcessing(false);
        // Until the DTD has been weighed nothing may grow: parameter entities and default
        // values in the DTD are expanded as it is read.
        m_reader.setEntityExpansionLimit(0);
    }

    Result run()
    {
        while (!m_reader.atEnd() && m_error.isEmpty()) {
            step(m_reader.readNext());
            if (m_error.isEmpty() && m_buffer.size() > m_maxBytes)
                m_error = tooLarge(QStringLiteral("written out again it is"), m_maxBytes);
        }
        if (m_error.isEmpty() && m_reader.hasError())
            m_error = QStringLiteral("it is not a well-formed drawing (line %1, column %2: %3)")
                          .arg(m_reader.lineNumber())
                          .arg(m_reader.columnNumber())
                          .arg(m_reader.errorString());
        Result result;
        result.error = m_error;
        if (!m_error.isEmpty())
            return result;
        if (m_omitted > 0)
            m_notes << QStringLiteral("%1 more references were left out.").arg(m_omitted);
        result.notes = m_notes;
        result.svg = m_buffer.data();
        return result;
    }

private:
    void step(QXmlStreamReader::TokenType token)
    {
        switch (token) {
        case QXmlStreamReader::StartDocument:
            m_encoding = m_reader.documentEncoding().toString();
            m_writer.writeStartDocument();
            break;
        case QXmlStreamReader::DTD:
            weighEntities();
            break;
        case QXmlStreamReader::StartElement:
            startElement();
            break;
        case QXmlStreamReader::EndElement:
            --m_depth;
            m_writer.writeEndElement();
            break;
        case QXmlStreamReader::Characters:
            if (m_reader.isCDATA())
                m_writer.writeCDATA(m_reader.text().toString());
            else
                m_writer.writeCharacters(m_reader.text().toString());
            break;
        case QXmlStreamReader::ProcessingInstruction:
            if (m_reader.processingInstructionTarget().compare(QLatin1String("xml-stylesheet"),
                                                               Qt::CaseInsensitive)
                == 0)
                note(QStringLiteral("the style sheet it names (%1) was left out: a drawing is "
                                    "imported from its own content only.")
                         .arg(shown(m_reader.processingInstructionData())));
            break;
        case QXmlStreamReader::EndDocument:
            m_writer.writeEndDocument();
            break;
        default: // comments, unresolved entity references: nothing the drawing needs
            break;
        }
    }

    void weighEntities()
    {
        const qint64 longest = longestEntity(m_reader.entityDeclarations());
        if (longest * mostReferences(m_document, m_encoding) > kMaxEntityCharacters) {
            m_error = QStringLiteral("its entities would expand to more than %1 characters")
                          .arg(kMaxEntityCharacters);
            return;
        }
        m_reader.setEntityExpansionLimit(int(kMaxEntityCharacters));
    }

    void startElement()
    {
        if (++m_depth > kMaxDepth) {
            m_error = QStringLiteral("its elements are nested more than %1 deep").arg(kMaxDepth);
            return;
        }
        const QStringView element = m_reader.qualifiedName();
        m_writer.writeStartElement(element.toString());
        const bool image = localName(element) == QLatin1String("image");
        for (const QXmlStreamAttribute &attribute : m_reader.attributes()) {
            const QStringView name = attribute.qualifiedName();
            const QStringView value = attribute.value();
            if (localName(name) == QLatin1String("href") && !inside(value, image))
                continue;
            m_writer.writeAttribute(name.toString(), value.toString());
        }
    }

    // Whether an href stays within the document; notes the ones that do not.
    bool inside(QStringView value, bool image)
    {
        if (value.startsWith(u'#') && !image)
            return true;
        if (value.startsWith(QLatin1String("data:"))) {
            if (!embedsDrawing(value))
                return true;
            note(QStringLiteral("an SVG image embedded in the drawing was left out: it would "
                                "be drawn without the checks this one passed."));
            return false;
        }
        note(QStringLiteral("the reference to %1 was left out: a drawing is imported from its "
                            "own content only.")
                 .arg(shown(value)));
        return false;
    }

    void note(const QString &text)
    {
        if (m_notes.size() < kMaxNotes)
            m_notes << text;
        else
            ++m_omitted;
    }

    const QByteArray &m_document;
    const qint64 m_maxBytes;
    QXmlStreamReader m_reader;
    QBuffer m_buffer;
    QXmlStreamWriter m_writer;
    QString m_encoding;
    QStringList m_notes;
    int m_omitted = 0;
    int m_depth = 0;
    QString m_error;
};

} // namespace

Result read(QIODevice &device, qint64 maxBytes)
{
    // In chunks, so that a short document costs a short buffer and a long one stops one byte
    // over the limit.
    QByteArray bytes;
    while (qint64(bytes.size()) <= maxBytes) {
        const QByteArray chunk
            = device.read(std::min(kReadChunk, maxBytes + 1 - qint64(bytes.size())));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    if (qint64(bytes.size()) > maxBytes) {
        Result result;
        result.bytesRead = bytes.size();
        result.error = tooLarge(QStringLiteral("it is"), maxBytes);
        return result;
    }
    return clean(bytes, maxBytes);
}

Result clean(const QByteArray &document, qint64 maxBytes)
{
    if (Inflate::isGzip(document)) {
        const Inflate::Result inflated = Inflate::gzip(document, maxBytes);
        Result result;
        if (inflated.outcome == Inflate::Result::Outcome::TooLarge)
            result.error = tooLarge(QStringLiteral("it inflates to"), maxBytes);
        else if (inflated.outcome == Inflate::Result::Outcome::Damaged)
            result.error = QStringLiteral("the compressed drawing is damaged");
        else
            result = Copy(inflated.bytes, maxBytes).run();
        result.bytesRead = document.size();
        result.inflated = inflated.inflated;
        return result;
    }
    Result result = Copy(document, maxBytes).run();
    result.bytesRead = document.size();
    return result;
}

} // namespace qie::SvgGuard
