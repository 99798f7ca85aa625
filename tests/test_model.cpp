// SPDX-License-Identifier: MIT
#include "model/ImageModel.h"
#include "model/Numbers.h"

#include <QTest>

using namespace qie;

namespace {
class FakeView : public EditorView
{
public:
    std::string width = "16";
    std::string callsign;
    std::string data;
    std::array<CellPicture, ImageModel::kCellCount> pictures{};
    int beeps = 0;

    std::string widthText() const override { return width; }
    void setWidthText(const std::string &t) override { width = t.substr(0, 2); }
    std::string callsignText() const override { return callsign; }
    void setCellPicture(int n, CellPicture p) override { pictures[n] = p; }
    void beep() override { ++beeps; }
    void setDataText(const std::string &t) override { data = t; }
};
} // namespace

class TestModel : public QObject
{
    Q_OBJECT
private slots:
    void diagonalEncodesOneBytePerRow()
    {
        FakeView view;
        view.callsign = "TEST";
        view.width = "1";
        ImageModel model(view);
        model.RefreshCells();
        for (int i = 0; i < 8; ++i)
            model.picField_Click(64 * i + i);
        QCOMPARE(view.data, std::string("TEST\r\n80\r\n40\r\n20\r\n10\r\n08\r\n04\r\n02\r\n01\r\n00\r\n00\r\n"));
        QCOMPARE(model.sendData(), view.data);
    }
};

QTEST_APPLESS_MAIN(TestModel)
#include "test_model.moc"
