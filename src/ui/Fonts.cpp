// SPDX-License-Identifier: MIT
#include "ui/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace qie {
namespace {

const QString kFixedFamily = QStringLiteral("ＭＳ ゴシック");
const QString kProportionalFamily = QStringLiteral("ＭＳ Ｐゴシック");

} // namespace

void Fonts::install()
{
    static const bool installed = [] {
        // IPA fonts first: they carry the Japanese glyphs and metrics close to the layout's
        // fonts. The system's own fixed and general fonts catch the case where they are
        // missing, which fontconfig then completes with whatever covers Japanese.
        QFont::insertSubstitutions(
            kFixedFamily,
            { QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP"),
              QFontDatabase::systemFont(QFontDatabase::FixedFont).family() });
        QFont::insertSubstitutions(
            kProportionalFamily,
            { QStringLiteral("IPAPGothic"), QStringLiteral("Noto Sans CJK JP"),
              QFontDatabase::systemFont(QFontDatabase::GeneralFont).family() });
        return true;
    }();
    Q_UNUSED(installed);
}

QFont Fonts::data()
{
    install();
    QFont font(kFixedFamily);
    font.setPointSizeF(11.25);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

QFont Fonts::heading()
{
    install();
    QFont font(kProportionalFamily);
    font.setPointSizeF(9);
    font.setWeight(QFont::Bold);
    return font;
}

QFont Fonts::window()
{
    install();
    // 8.25 pt: the captions of the layout were fitted to a window font of this size; at 9 pt
    // "Enter Callsign (max.12)" and the port parameters no longer fit their labels.
    QFont font(kProportionalFamily);
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace qie
