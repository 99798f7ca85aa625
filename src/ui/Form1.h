// SPDX-License-Identifier: MIT
#pragma once

#include "files/CodePage.h"
#include "model/Document.h"
#include "serial/LineFault.h"
#include "ui/DocumentView.h"
#include "ui/PictureEditor.h"

#include <QWidget>
#include <optional>

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

// The editor window: the controls of the layout, wired to the document, the data files, the
// port and the way the program ends. It keeps no state of its own: what the operator edits is
// the document's, which the controls show through a DocumentView. It owns no port and opens
// no box of its own: the serial control and the dialog service are handed in, so that tests
// can replace both.
//
// Positions are kept in twips; each control carries its layout rectangle in the dynamic
// property "twips" (a QRect, relative to its container), the cells in CellGrid::cellTwips().
// The whole layout is one table in Form1.cpp. Every change of the document but typing in a
// box goes through the picture editor, which makes it one undo step.
class Form1 : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize kClientTwips { 15270, 8895 };
    static constexpr QPoint kStoredPosTwips { 0, -105 };
    // The port number box; the width and callsign boxes hold what the document holds.
    static constexpr int kPortMaxLength = 2;

    Form1(DialogService &dialogs, CommControl &port, QWidget *parent = nullptr);

    const Document &model() const { return m_document; }
    PictureEditor &pictureEditor() { return m_editor; }
    GridMenu *gridMenu() const { return m_gridMenu; }
    // The data text as lblData shows it, with its CR LF line ends.
    QString dataText() const;

    // Asks whether to end; on Yes runs the end sequence. Returns whether the program ends.
    // Every way of closing comes here: "Exit", the frame, the session ending.
    bool requestEnd();

    void picField_Click(int index);
    void txtImagByte_Change(const QString &text);
    void txtCWID_Change(const QString &text);
    void cmdUpDate_Click();
    void cmdFileOpen_Click();
    void cmdFileOpen2_Click();
    // Loads the data file `name` as "Load file" does once a name is chosen: one undo step, or
    // the error box and nothing changed.
    void loadFile(const QString &name);
    // A file dropped on the window: an image, known by its content, goes to the Import dialog;
    // any other file is loaded as a data file.
    void openDropped(const QString &path);
    static bool isImage(const QString &path);
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
    void buildLayout();
    void addShortcuts();
    void showHelp();
    void Form_Load();
    void InitEditor();
    void Form_QueryUnload(bool &cancel);
    void Form_Unload();

    DialogService &m_dialogs;
    CommControl &m_port;
    Document m_document { CodePage::codec() };
    PictureEditor m_editor { m_document, m_dialogs };
    std::optional<DocumentView> m_view;
    GridMenu *m_gridMenu = nullptr;
    PortPanel *m_portPanel = nullptr; // Open/Close, Send and the port's boxes
    // Set once the end sequence has run, so that a late close asks nothing more.
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
