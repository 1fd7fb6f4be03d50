// CReadNoteDlg: a note that arrived, with a reply box, the sender's profile
// and a 1:1 chat request to the sender (template 131). Any number may be open;
// the main window only counts them. It ends itself instead of asking to be closed.
#pragma once
#include <string>

#include "limit_edit.h"
#include "popup_frame.h"
#include "bodies.h"

class CReadNoteDlg : public CTrayPopup {
public:
    explicit CReadNoteDlg(CTrayMainDlg& main);
    static constexpr UINT kTemplate = 131;

    // Fill before the window exists: the sender's record and the note text
    // (UTF-8, up to its first zero byte); member texts are cleaned and bounded.
    void SetNote(const ReceivedNoteRecord& record, const std::string& textUtf8);
    const std::string& SenderId() const { return memberId; }
    const std::string& Heading() const { return heading; }
    const std::string& ReceivedText() const { return receivedText; }

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnCancel() override { EndDialog(IDCANCEL); }
    void OnDestroy();
    void OnReply();
    void OnProfile();
    void OnChatRequest();
    LRESULT OnLButtonDown(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()

private:
    std::string memberId, nickname, occupation, region, chatTopic, popularity;
    char sex = 0;
    int age = 0;
    int taste = -1;
    int points = 0;
    std::string receivedText, replyText, heading;
    CFont headingFont, textFont;
    CLimitEdit replyBox;
    bool counted = true;  // openNoteCount still includes this popup
};
