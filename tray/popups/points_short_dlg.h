// CPointsShortDlg: another member asked for a 1:1 chat that cannot be taken
// up for lack of points; it shows the asker and goes away after five seconds
// (template 154, close kind 6, keyed by its list key).
#pragma once
#include "member_card.h"
#include "popup_frame.h"

class CPointsShortDlg : public CTrayPopup {
public:
    explicit CPointsShortDlg(CTrayMainDlg& main);
    static constexpr UINT kTemplate = 154;
    static constexpr PopupKind kCloseKind = POPUP_POINTS_SHORT;
    static constexpr UINT_PTR kTimerId = 1;
    static constexpr UINT kLifetimeMs = 5000;

    // Fill before the window exists.
    void SetListKey(const std::string& key) { listKey = key; }
    void SetRequest(const IncomingChatRecord& record) { card = CardFromIncomingRecord(record); }
    WPARAM CloseKey() const override { return reinterpret_cast<WPARAM>(&listKey); }
    const std::string& ListKey() const { return listKey; }
    const MemberCard& Card() const { return card; }

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnOK() override;
    // Hidden at once; still closed through the timer.
    void OnCancel() override { ShowWindow(SW_HIDE); }
    void OnTimer(UINT_PTR) { OnOK(); }
    void OnProfile();
    DECLARE_MESSAGE_MAP()

private:
    MemberCard card;
    std::string listKey;
    CFont titleFont, detailsFont;
};
