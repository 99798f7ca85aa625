// SPDX-License-Identifier: MIT
#pragma once

#include "model/Document.h"
#include "model/EditorView.h"
#include "serial/LineFault.h"
#include "ui/EditorSession.h"
#include "ui/PictureEditor.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qie {

class CellGrid;
class DataLabel;
class CommControl;
class DialogService;
class GridMenu;
class PortPanel;
class ReceiveArea;
struct LoadedFile;

// The editor window: the controls of the layout, wired to the image rules, the data files,
// the port and the way the program ends. It owns no port and opens no box of its own: the
// serial control and the dialog service are handed in, so that tests can replace both.
//
// Positions are kept in twips; each control carries its layout rectangle in the dynamic
// property "twips" (a QRect, relative to its container), the cells in CellGrid::cellTwips().
// The whole layout is one table in Form1.cpp. Every change of the picture goes through the
// picture editor, which makes it one undo step.
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

    const Document &model() const { return m_model; }
    PictureEditor &pictureEditor() { return m_editor; }
    GridMenu *gridMenu() const { return m_gridMenu; }
    // Exactly what lblData holds: the data text with its CR LF line ends, as shown.
    QString dataText() const { return m_dataText; }

    // Asks whether to end; on Yes runs the end sequence. Returns whether the program ends.
    // Every way of closing comes here: "Exit", the frame, the session ending.
    bool requestEnd();

    void picField_Click(int index);
    void cmdUpDate_Click();
    void cmdFileOpen_Click();
    void cmdFileOpen2_Click();
    void Command1_Click();
    void cmdSendData_Click();
    void mscPort_Receive();
    void mscPort_LineFault(LineFault fault);
    void cmdEnd_Click();

signals:
    // The end sequence has run: the port is closed and nothing may reach the windows any
    // more. The program's entry ends the process on it.
    void ended();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // EditorView
    std::string widthText() const override;
    void setWidthText(const std::string &text) override;
    std::string callsignText() const override;
    void setCellPicture(int cell, CellPicture picture) override;
    void beep() override;
    void setDataText(const std::string &text) override;

    // EditorSession
    Document &imageModel() override { return m_model; }
    State state() const override;
    void restore(const State &state) override;
    void applyLines(const LoadedFile &loaded) override;

    void buildLayout();
    void Form_Load();
    void InitEditor();
    void Form_QueryUnload(bool &cancel);
    void Form_Unload();

    void setDataCaption(const QByteArray &bytes);

    DialogService &m_dialogs;
    CommControl &m_port;
    Document m_model { *this };
    PictureEditor m_editor { *this, m_dialogs };
    GridMenu *m_gridMenu = nullptr;
    PortPanel *m_portPanel = nullptr; // Open/Close, Send and the port's boxes
    QString m_dataText;
    // The bytes behind m_dataText, which Save writes.
    QByteArray m_dataBytes;
    // Line 0 of the last file loaded: the callsign keeps these bytes while the callsign box
    // shows them unchanged.
    QByteArray m_fileCallsign;
    bool m_ended = false;

    CellGrid *picField = nullptr; // the 1280 cells
    QLabel *lblImgbyte0 = nullptr; // the model of the byte-column labels, hidden by the cells
    QLabel *lblMsg = nullptr; // the cell position line
    DataLabel *lblData = nullptr; // the data text
    QGroupBox *framEdit = nullptr; // "file name = " and the loaded or saved file
    QLineEdit *txtCWID = nullptr; // the callsign
    QLineEdit *txtImagByte = nullptr; // the width in bytes
    QPushButton *cmdUpDate = nullptr; // "Done": applies the width
    QPushButton *cmdFileOpen = nullptr; // "Save file"
    QPushButton *cmdFileOpen2 = nullptr; // "Load file"
    ReceiveArea *txtReceiveData = nullptr; // what the device sent
    QLabel *Label2 = nullptr; // "Com No, =", and the port number while open
    QLineEdit *Text2 = nullptr; // the port number
    QPushButton *Command1 = nullptr; // Open/Close
    QPushButton *cmdSendData = nullptr; // "Send": the data text to the device
    QPushButton *cmdEnd = nullptr; // "Exit"
};

} // namespace qie
