// SPDX-License-Identifier: MIT
#pragma once

#include "model/EditorView.h"
#include "model/ImageModel.h"
#include "ui/EditorSession.h"
#include "ui/PictureEditor.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace qie {

class CellGrid;
class DataLabel;
class CommControl;
class DialogService;
class GridMenu;
struct CommError;

// The editor window: every control, the image rules wired to them, the data files, the port
// and the way the program ends. It owns no port and opens no box of its own: the serial
// control and the dialog service are handed in, so that tests can replace both.
//
// Positions are kept in twips; each control carries its layout rectangle in the dynamic
// property "twips" (a QRect, relative to its container), the cells in CellGrid::cellTwips().
class Form1 : public QWidget, private EditorView, private EditorSession
{
    Q_OBJECT

public:
    static constexpr QSize kClientTwips { 15270, 8895 };
    static constexpr QPoint kStoredPosTwips { 0, -105 };
    // The longest texts the three limited text boxes hold, typed or set.
    static constexpr int kWidthMaxLength = 2;
    static constexpr int kPortMaxLength = 2;
    static constexpr int kCallsignMaxLength = 12;

    Form1(DialogService &dialogs, CommControl &port, QWidget *parent = nullptr);
    ~Form1() override;

    const ImageModel &model() const { return m_model; }
    PictureEditor &pictureEditor() { return m_editor; }
    GridMenu *gridMenu() const { return m_gridMenu; }
    // Exactly what lblData holds: the data text with its CR LF line ends.
    QString dataText() const { return m_dataText; }

    // Appends received text to the received-data area at a cost that depends on the chunk
    // only, and keeps the caret after the last character and the end in view.
    void appendReceived(const QString &chunk);

    // Asks whether to end; on Yes runs the end sequence. Returns whether the program ends.
    // Every way of closing comes here: "Exit", the frame, the session ending.
    bool requestEnd();

    void picField_Click(int index);
    void cmdUpDate_Click();
    void cmdFileOpen_Click();
    void cmdFileOpen2_Click();
    void Command1_Click();
    void cmdSendData_Click();
    void mscPort_OnComm();
    void cmdEnd_Click();

signals:
    // The end sequence has run: the port is closed and nothing may reach the windows any
    // more. The program's entry ends the process on it.
    void ended();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // EditorView
    std::string widthText() const override;
    void setWidthText(const std::string &text) override;
    std::string callsignText() const override;
    void setCellPicture(int cell, CellPicture picture) override;
    void beep() override;
    void setDataText(const std::string &text) override;

    // EditorSession
    ImageModel &imageModel() override { return m_model; }
    State state() const override;
    void restore(const State &state) override;
    void applyLines(const LoadedFile &loaded) override;

    void buildLayout();
    void setTabOrder();
    void Form_Load();
    void BuildCellGrid();
    void InitEditor();
    void Form_QueryUnload(bool &cancel);
    void Form_Unload();

    void showPortState(bool open);
    void reportPortFault(const CommError &error);
    void portLost(const CommError &error);
    void setDataCaption(const QString &text);

    DialogService &m_dialogs;
    CommControl &m_port;
    ImageModel m_model { *this };
    PictureEditor m_editor { *this, m_dialogs };
    GridMenu *m_gridMenu = nullptr;
    QString m_dataText;
    bool m_ended = false;
    // A CR at the end of the last received chunk: a LF starting the next one completes it.
    bool m_receivedCr = false;

    CellGrid *picField = nullptr;
    QLabel *lblImgbyte0 = nullptr;
    QLabel *lblMsg = nullptr;
    DataLabel *lblData = nullptr;
    QGroupBox *framEdit = nullptr;
    QLineEdit *txtCWID = nullptr;
    QLineEdit *txtImagByte = nullptr;
    QPushButton *cmdUpDate = nullptr;
    QPushButton *cmdFileOpen = nullptr;
    QPushButton *cmdFileOpen2 = nullptr;
    QPlainTextEdit *txtReceiveData = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *cmdSendData = nullptr;
    QPushButton *cmdEnd = nullptr;
    std::vector<std::pair<int, QWidget *>> m_tabIndexes;
};

} // namespace qie
