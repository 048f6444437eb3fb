// The tool's own message box: bitmap buttons and icon on a light-blue dialog that grows with its text.
#pragma once
#include "ui/framework.h"
#include "ui/ncexbutton.h"

class MessageDialog : public CDialog {
    DECLARE_MESSAGE_MAP()
public:
    explicit MessageDialog(CWnd* parent = nullptr);

    char m_strMessage[1024];
    char m_strCaption[128];
    int m_nIconId;
    bool m_bOkOnly;
    bool m_bOkCancel;
    bool m_bYesNo;

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnYes();
    void OnNo();
    void OnSingleOk();
    void OnPaint();
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind);

    CStatic m_iconFrame;
    NCExButton m_btnYes;
    NCExButton m_btnOk;
    NCExButton m_btnNo;
    NCExButton m_btnSingleOk;
    NCExButton m_btnCancel;
    CStatic m_textLine;
    CBrush m_backBrush;
};

// Light blue of the dialog's background and its statics.
const COLORREF kMessageBackColour = RGB(207, 233, 254);
