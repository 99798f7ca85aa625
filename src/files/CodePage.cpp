// SPDX-License-Identifier: MIT
#include "files/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace qie::CodePage {
namespace {

class SystemCodePage : public TextCodec
{
public:
    std::string decode(std::string_view bytes) const override
    {
        return CodePage::decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())))
            .toStdString();
    }
    std::string encode(std::string_view text) const override
    {
        return CodePage::encode(QString::fromUtf8(text.data(), qsizetype(text.size())))
            .toStdString();
    }
};

} // namespace

QString decode(QByteArrayView bytes)
{
    // Stateless: a sequence broken off at the end shows too, rather than waiting for bytes
    // that never come; nothing carries over from one call to the next.
    QStringDecoder decoder(QStringDecoder::System, QStringDecoder::Flag::Stateless);
    return decoder(bytes);
}

QByteArray encode(QStringView text)
{
    QStringEncoder encoder(QStringEncoder::System);
    return encoder(text);
}

const TextCodec &codec()
{
    static const SystemCodePage systemCodePage;
    return systemCodePage;
}

} // namespace qie::CodePage
