#include "member_card.h"

#include "tray_main_dlg.h"
#include "popup_text.h"
#include "res/resource.h"
#include "text_conversion.h"

namespace {
bool PointsInLineOne(const MemberCard& card, CardStyle style) {
    return style == CardStyle::Chat && card.sex != 'F';
}
}  // namespace

MemberCard CardFromChatTarget(const ChatTargetInfo& t) {
    MemberCard c;
    c.memberId = t.MemberId();
    c.nickname = Utf8FromKoreanBytes(t.Nickname());
    c.sex = t.SexCode();
    c.age = t.Age();
    c.occupation = Utf8FromKoreanBytes(t.Occupation());
    c.region = Utf8FromKoreanBytes(t.Region());
    c.chatTopic = Utf8FromKoreanBytes(t.ChatTopic());
    c.taste = t.Taste();
    CTrayMainDlg::TasteName(c.taste, c.tasteName);
    c.popularity = Utf8FromKoreanBytes(t.Popularity());
    c.points = t.Points();
    return c;
}

MemberCard CardFromChatFields(const ChatTargetFields& f) {
    MemberCard c;
    c.memberId = f.memberId;
    c.nickname = f.nickname;
    c.sex = f.sex.empty() ? 0 : f.sex[0];
    c.age = f.age;
    c.occupation = f.occupation;
    c.region = f.region;
    c.chatTopic = f.chatTopic;
    c.taste = f.taste;
    CTrayMainDlg::TasteName(c.taste, c.tasteName);
    c.popularity = f.popularity;
    c.points = f.points;
    return c;
}

MemberCard CardFromIncomingRecord(const IncomingChatRecord& r) {
    MemberCard c;
    c.memberId = r.memberId;
    c.nickname = CTrayMainDlg::FromUtf8(r.nickname);
    c.sex = r.sex;
    c.age = r.age;
    c.occupation = CTrayMainDlg::FromUtf8(r.occupation);
    c.region = CTrayMainDlg::FromUtf8(r.region);
    c.chatTopic = CTrayMainDlg::FromUtf8(r.chatTopic);
    c.taste = r.taste;
    CTrayMainDlg::TasteName(c.taste, c.tasteName);
    c.popularity = r.popularity;
    c.points = r.points;
    return c;
}

void FillMemberCard(HWND popup, const MemberCard& card, const std::string& title, CardStyle style) {
    auto set = [popup](int id, const std::string& text) { ::SetDlgItemTextW(popup, id, WideFromUtf8(text).c_str()); };
    set(IDC_MEMBER_TITLE, title);
    set(IDC_CARD_FIRST, PointsInLineOne(card, style) ? GroupThousands(card.points) : EscapeAmpersands(card.occupation));
    set(IDC_CARD_REGION, EscapeAmpersands(card.region));
    set(IDC_CARD_TOPIC, EscapeAmpersands(card.chatTopic));
    set(IDC_CARD_TASTE, card.tasteName);
    set(IDC_CARD_POPULARITY, EscapeAmpersands(card.popularity));
}

void DressMemberCard(HWND popup, PopupPalette& palette, const MemberCard& card, CardStyle style,
                     const CardFonts& fonts) {
    SetItemFont(popup, IDC_MEMBER_TITLE, *fonts.title);
    palette.Set(IDC_MEMBER_TITLE, PopupPalette::Style::OverSkin);
    for (int id : {IDC_CARD_FIRST, IDC_CARD_REGION, IDC_CARD_TOPIC, IDC_CARD_TASTE, IDC_CARD_POPULARITY}) {
        const bool bold = id == IDC_CARD_FIRST && fonts.bold && PointsInLineOne(card, style);
        SetItemFont(popup, id, bold ? *fonts.bold : *fonts.details);
        palette.Set(id, PopupPalette::Style::DetailsOverSkin);
    }
}
