// SPDX-License-Identifier: MIT
#include "serial/LineFault.h"

namespace qie {

QString lineFaultTitle()
{
    return QStringLiteral("通信エラー");
}

QString lineFaultText(LineFault fault)
{
    switch (fault) {
    case LineFault::Break:
        return QStringLiteral("中断信号が受信されました。");
    case LineFault::Frame:
        return QStringLiteral("フレーム エラーです。");
    case LineFault::Overrun:
        return QStringLiteral("データが失われました。");
    case LineFault::RxOver:
        return QStringLiteral("受信バッファがオーバーフローしました。");
    case LineFault::RxParity:
        return QStringLiteral("中パリティ エラーです。");
    case LineFault::TxFull:
        return QStringLiteral("送信バッファがいっぱいです。");
    case LineFault::DeviceControlBlock:
        return QStringLiteral(
            "デバイス コントロール ブロック (DCB) が取得される予期しないエラーです。");
    }
    return QStringLiteral("未定義のエラーが発生しました。");
}

} // namespace qie
