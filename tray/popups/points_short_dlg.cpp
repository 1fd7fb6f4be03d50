#include "points_short_dlg.h"

#include "popup_keys.h"
#include "sound_seam.h"
#include "tray_main_dlg.h"
#include "popup_text.h"
#include "res/PopupBitmaps.h"

BEGIN_MESSAGE_MAP(CPointsShortDlg, CTrayPopup)
    ON_WM_TIMER()
    ON_COMMAND(IDC_POINTS_PROFILE, &CPointsShortDlg::OnProfile)
END_MESSAGE_MAP()

CPointsShortDlg::CPointsShortDlg(CTrayMainDlg& main) : CTrayPopup(main, kTemplate) {}

BOOL CPointsShortDlg::OnInitDialog() {
    POINT at;
    {
        CSingleLock lock(TrayProcessLock());
        at = NextChatCascade(Main().chatPopupOrigin);
    }
    PlaceTopmost(at);
    AddBitmapButton(IDOK, IDB_BUTTON_OK);
    AddBitmapButton(IDC_POINTS_PROFILE, IDB_BUTTON_PROFILE);
    MakeFont(titleFont);
    MakeFont(detailsFont);
    FillMemberCard(m_hWnd, card, MemberTitle(EscapeAmpersands(card.nickname), card.memberId, card.sex, card.age),
                   CardStyle::PointsShort);
    DressMemberCard(m_hWnd, palette, card, CardStyle::PointsShort, CardFonts{&titleFont, &detailsFont, nullptr});
    SetTimer(kTimerId, kLifetimeMs);
    PlaySoundFile("RqChat.wav");
    return TRUE;
}

BOOL CPointsShortDlg::PreTranslateMessage(MSG* msg) { return SwallowWhileEnterHeld(*msg); }

void CPointsShortDlg::OnOK() {
    KillTimer(kTimerId);
    RequestClose(kCloseKind);
}

void CPointsShortDlg::OnProfile() { Main().OpenProfilePage(card.memberId); }
