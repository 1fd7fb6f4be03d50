// CGatekinCtrl: the login control. It carries the member's identity from the
// page to a newly started Notewell and turns the page's requests (close the
// tray client, send a note, ask for a chat, address everyone) into window
// messages for Notewell. Every property is write-driven: reading gives an
// empty text (or 0), so a page script cannot read the identity back.
#pragma once
#include <string>

#include "shell_control.h"

class CGatekinCtrl : public COleControl {
public:
    CGatekinCtrl();

    // The properties of _DGatekin.
    std::string GetTextID() const { return std::string(); }
    void SetTextID(const std::string& text);
    std::string GetTextPWD() const { return std::string(); }
    void SetTextPWD(const std::string& text);
    std::string GetTextSEX() const { return std::string(); }
    void SetTextSEX(const std::string& text);
    short GetLogStateProc() const { return 0; }
    void SetLogStateProc(short state);
    std::string GetSendLabel() const { return std::string(); }
    void SetSendLabel(const std::string& text);
    std::string GetSendChat() const { return std::string(); }
    void SetSendChat(const std::string& text);
    std::string GetSendAllLabel() const { return std::string(); }
    void SetSendAllLabel(const std::string& text);
    std::string GetSendAllChat() const { return std::string(); }
    void SetSendAllChat(const std::string& text);

    // Acts on the login state: 0 starts Notewell, 1 and 3 close it at once,
    // 2 has it ask the member first; any other value does nothing.
    void NotifyTray();
    // Starts Notewell with the member's identity unless it already runs.
    void StartTrayClient();

protected:
    void OnDraw(HDC dc, const RECT& bounds, const RECT& invalid) override;
    void DoPropExchange(CPropExchange* px) override;
    int OnCreate(LPCREATESTRUCTW cs) override;

    DECLARE_DISPATCH_MAP()

private:
    std::string memberId;       // "ID"
    std::string password;       // "PWD"
    std::string sexCode;        // "SEX"
    std::string sessionId;      // "SESSIONID"
    std::string serverAddress;  // "SERVERIP"
    short loginState = -1;      // the last value the page set; not persisted
    // A PARAM was too long to take: the identity cannot be handed over whole.
    bool paramRefused = false;
};

// The property page of the login control: dialog 200, it edits nothing.
class CGatekinPropPage : public CShellPropertyPage {};
