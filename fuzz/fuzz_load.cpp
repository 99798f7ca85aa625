// SPDX-License-Identifier: MIT
#include "FakeEditorView.h"
#include "files/CodePage.h"
#include "files/DataFile.h"
#include "model/Characters.h"
#include "model/Document.h"

#include <QStringDecoder>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

using namespace qie;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// The line rule written the plain way, to hold the loader's answer against: every CR ends a
// line and swallows one LF right after it; what follows the last CR is a line of its own
// when the input is complete and it is not empty.
std::vector<QByteArrayView> splitLines(QByteArrayView bytes, bool complete)
{
    std::vector<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r')
            continue;
        lines.push_back(bytes.sliced(start, i - start));
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (complete && start < bytes.size())
        lines.push_back(bytes.sliced(start));
    return lines;
}

} // namespace

// Input: the bytes of a file. They go the whole way of a load: the bounded read, the line
// rule, the width text, the callsign box, DecodeDataText and RefreshCells on a fake window.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView file(data, qsizetype(size));
    const bool complete = file.size() <= DataFile::kMaxLoadBytes;
    const QByteArrayView read = file.first(qMin(file.size(), DataFile::kMaxLoadBytes));
    const QString path = QStringLiteral("/fuzz/input.txt");

    const auto result = DataFile::parse(read, complete, path);
    const std::vector<QByteArrayView> expected = splitLines(read, complete);

    if (const auto *error = std::get_if<Error>(&result)) {
        check(error->description.contains(path));
        if (error->number == kErrOverflow) {
            check(expected.size() >= LoadedFile::kLineCount);
        } else {
            check(error->number == kErrPastEnd);
            check(expected.size() < LoadedFile::kLineCount);
        }
        return 0;
    }
    check(expected.size() >= LoadedFile::kLineCount);
    const LoadedFile &loaded = std::get<LoadedFile>(result);
    QByteArray sendBytes;
    for (int i = 0; i < LoadedFile::kLineCount; ++i) {
        // The bytes travel on exactly as read, whatever the code page makes of them.
        check(QByteArrayView(loaded.lines[i]) == expected[i]);
        sendBytes += expected[i].toByteArray() + "\r\n";
    }
    check(loaded.sendBytes == sendBytes);

    QStringDecoder decode(QStringDecoder::System, QStringDecoder::Flag::Stateless);
    const QString widthLine = decode(expected[10]);
    const std::size_t count = Characters::count(std::u16string_view(widthLine.toStdU16String()));
    check(count <= std::size_t(DataFile::kMaxWidthLineLength));

    // As the window does it: the document takes the lines, without rewriting the data text.
    FakeEditorView screen;
    Document model(CodePage::codec());
    model.setView(&screen);
    const int dataWrites = screen.dataWrites;
    model.load(loaded.lines);
    check(screen.dataWrites == dataWrites + 1);
    check(model.sendData() == sendBytes.toStdString());
    check(screen.data == model.sendData());
    const QString widthText
        = QString::fromStdString(Document::widthTextFor(widthLine.toStdString()));
    check(widthText.toDouble() * 2 == double(count));
    check(model.widthText() == widthText.left(2).toStdString());

    // The callsign box, untouched since the load, stands for the start of line 0 as it was.
    const QString line0 = decode(expected[0]);
    QString box = line0.left(12);
    if (box.size() == 12 && box.back().isHighSurrogate())
        box.chop(1);
    check(model.callsignText() == box.toStdString());
    const QByteArray callsign = QByteArray::fromStdString(model.callsignBytes());
    check(expected[0].startsWith(callsign));
    check(CodePage::decode(callsign) == box);
    for (int y = 0; y < Document::kRows; ++y) {
        for (int x = 0; x < Document::kColumns; ++x) {
            check(model.cell(x, y) == 0 || model.cell(x, y) == 1);
            check(model.mask(x, y) == 0 || model.mask(x, y) == 1);
        }
    }
    return 0;
}
