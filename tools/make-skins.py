#!/usr/bin/env python3
"""Draws Notewell's popup skins and button images into tray/res/skins/.

Each picture is described below as a list of shapes and texts in pixels and
drawn with ImageMagick's convert and Debian's Nanum fonts (fonts-nanum). The
output is 24-bit BMP (BITMAPINFOHEADER) as the resource compiler and
LoadBitmap expect; running the script again gives the same bytes.

The popups' templates are laid out in dialog units of their "System" 10 pt
font, two pixels per unit on Windows; the places below are the templates'
control places in pixels, so that the printed labels sit beside the texts the
popups put over them.

    tools/make-skins.py [output directory]
"""
import os
import subprocess
import sys

FONT_DIR = "/usr/share/fonts/truetype/nanum"
REGULAR = os.path.join(FONT_DIR, "NanumGothic.ttf")
BOLD = os.path.join(FONT_DIR, "NanumGothicBold.ttf")

CREAM = "rgb(242,243,227)"     # the popups' ground; also behind the countdown number
BEIGE = "rgb(239,230,213)"     # the received-note box
ORANGE = "rgb(241,101,34)"     # headings, as the member details the popups print
DEEP_ORANGE = "rgb(214,80,20)"
GREY = "rgb(96,96,96)"
BLACK = "rgb(40,40,40)"
BLUE = "rgb(32,84,196)"
FRAME = "rgb(206,192,168)"
WHITE = "rgb(255,255,255)"
LINE = "rgb(230,222,206)"


def rect(x0, y0, x1, y1, fill, stroke=None):
    return ("rect", x0, y0, x1, y1, fill, stroke)


def text(x, baseline, words, size=12, colour=GREY, font=REGULAR):
    return ("text", x, baseline, words, size, colour, font)


def centred(cx, baseline, words, size, colour, font):
    return ("centred", cx, baseline, words, size, colour, font)


def convert_args(width, height, ground, shapes, out):
    args = ["convert", "-size", "%dx%d" % (width, height), "xc:" + ground]
    for s in shapes:
        if s[0] == "rect":
            _, x0, y0, x1, y1, fill, stroke = s
            args += ["-fill", fill, "-stroke", stroke or fill, "-strokewidth", "1",
                     "-draw", "rectangle %d,%d %d,%d" % (x0, y0, x1, y1), "+stroke"]
        elif s[0] == "text":
            _, x, y, words, size, colour, font = s
            # Without gravity the text's baseline is at y.
            args += ["+gravity", "-font", font, "-pointsize", str(size), "-fill", colour,
                     "-stroke", "none", "-draw", "text %d,%d '%s'" % (x, y, words)]
        elif s[0] == "centred":
            # Centred on the picture's middle line, shifted by cx from it.
            _, cx, y, words, size, colour, font = s
            args += ["-gravity", "North", "-font", font, "-pointsize", str(size), "-fill", colour,
                     "-stroke", "none", "-draw", "text %d,%d '%s'" % (cx, y - size, words)]
    args += ["-density", "72", "-units", "PixelsPerInch", "+set", "date:create", "+set", "date:modify",
             "-define", "bmp:format=bmp3", "-type", "TrueColor", "-depth", "8", "-compress", "None",
             "BMP3:" + out]
    return args


# The member card of the chat popups: a white panel with five labels; each
# label's baseline sits on the first text line of the detail beside it
# (tops of the details, in pixels, from the templates).
def card(label_tops, first_label):
    shapes = [rect(12, 74, 287, 225, WHITE, FRAME), rect(22, 116, 277, 116, LINE)]
    for label, top in zip([first_label, "접속지역", "대화주제", "취향", "인기도"], label_tops):
        shapes.append(text(32, top + 11, label, 11, GREY, BOLD))
    return shapes


def countdown_line(top):
    # The countdown number stands in an 18x18 box at x 18; "초" follows it.
    return [rect(18, top, 35, top + 17, CREAM),
            text(38, top + 13, "초 내에 수락하지 않으면 자동 취소됩니다", 11, GREY)]


def heading(words):
    return [text(18, 27, words, 14, ORANGE, BOLD), rect(18, 31, 281, 31, ORANGE)]


OUTGOING_TOPS = [122, 142, 162, 184, 202]       # templates 132 and 159 (1015 of 159 starts at 124)
INCOMING_TOPS = [122, 142, 162, 184, 202]       # templates 133 and 160
POINTS_SHORT_TOPS = [122, 140, 162, 182, 202]   # template 154

SKINS = {
    # 1:1 request sent: 138 (a woman asked), 158 (a man asked)
    138: (300, 269, heading("1:1 채팅을 신청했습니다") + countdown_line(36) + card(OUTGOING_TOPS, "직업")),
    158: (300, 269, heading("1:1 채팅을 신청했습니다") + countdown_line(36)
          + card([124] + OUTGOING_TOPS[1:], "포인트")),
    # 1:1 request received: 134 (from a woman), 157 (from a man)
    134: (300, 269, heading("1:1 채팅 신청이 들어왔습니다") + countdown_line(38) + card(INCOMING_TOPS, "직업")),
    157: (300, 269, heading("1:1 채팅 신청이 들어왔습니다") + countdown_line(38) + card(INCOMING_TOPS, "포인트")),
    # Request that cannot be taken up for lack of points
    155: (300, 269, heading("1:1 채팅 신청이 들어왔습니다")
          + [text(18, 50, "포인트 부족으로 수락할 수 없습니다.", 12, BLUE, BOLD),
             text(18, 67, "포인트를 충전해 주세요.", 12, BLUE, BOLD)]
          + card(POINTS_SHORT_TOPS, "직업")),
    # Group request: the countdown number stands at (38, 120), 16x20
    145: (300, 269, [rect(12, 44, 287, 210, WHITE, FRAME),
                     centred(0, 88, "전체 남성 회원에게", 15, ORANGE, BOLD),
                     centred(0, 108, "채팅을 신청했습니다", 15, ORANGE, BOLD),
                     rect(36, 118, 55, 141, CREAM, FRAME),
                     text(58, 135, "초 내에 수락하지 않으면 자동 취소됩니다", 11, GREY)]),
    # Send a note: recipient at (96, 36), text box at (22, 112) 340x114
    139: (386, 269, [text(20, 50, "받는 사람 :", 12, BLACK, BOLD), rect(18, 62, 367, 62, ORANGE),
                     text(20, 100, "메시지 입력(한글 200자까지)", 12, GREY, BOLD),
                     rect(18, 108, 365, 229, WHITE, FRAME)]),
    # Note to all male members: text box at (20, 112) 344x112
    146: (386, 269, [text(20, 46, "전체남성회원에게 쪽지를 보냅니다", 15, ORANGE, BOLD), rect(18, 62, 367, 62, ORANGE),
                     text(20, 100, "메시지 입력(한글 200자까지)", 12, GREY, BOLD),
                     rect(16, 108, 367, 227, WHITE, FRAME)]),
    # A received note: sender at (96, 26), received text at (18, 70) 348x104,
    # reply box at (20, 214) 340x112
    141: (386, 372, [text(20, 40, "보낸 사람 :", 12, BLACK, BOLD), rect(14, 56, 371, 56, ORANGE),
                     rect(14, 66, 369, 177, BEIGE, FRAME),
                     text(20, 203, "답장 보내기(한글 200자까지)", 12, GREY, BOLD),
                     rect(16, 210, 363, 329, WHITE, FRAME)]),
}


def button(width, height, face, ground, ink, border, size):
    return (width, height, ground, [rect(0, 0, width - 1, height - 1, ground, border),
                                     rect(2, height - 3, width - 3, height - 3, border),
                                     centred(0, (height + size) // 2 - 1, face, size, ink, BOLD)])


BUTTONS = {
    135: button(56, 28, "수락", ORANGE, WHITE, DEEP_ORANGE, 13),
    136: button(56, 28, "취소", "rgb(150,150,150)", WHITE, "rgb(116,116,116)", 13),
    140: button(56, 28, "보내기", ORANGE, WHITE, DEEP_ORANGE, 13),
    156: button(56, 28, "확인", ORANGE, WHITE, DEEP_ORANGE, 13),
    137: button(98, 21, "프로필 보기", WHITE, ORANGE, ORANGE, 12),
    150: button(75, 28, "1:1 채팅 신청", ORANGE, WHITE, DEEP_ORANGE, 12),
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "tray", "res", "skins")
    os.makedirs(out_dir, exist_ok=True)
    for font in (REGULAR, BOLD):
        if not os.path.exists(font):
            sys.exit("make-skins: %s is missing (Debian package fonts-nanum)" % font)
    env = dict(os.environ, MAGICK_THREAD_LIMIT="1")  # one thread: the same bytes every run
    for number, (width, height, shapes) in sorted(SKINS.items()):
        out = os.path.join(out_dir, "Skin%d.bmp" % number)
        subprocess.run(convert_args(width, height, CREAM, shapes, out), check=True, env=env)
    for number, (width, height, ground, shapes) in sorted(BUTTONS.items()):
        out = os.path.join(out_dir, "Button%d.bmp" % number)
        subprocess.run(convert_args(width, height, ground, shapes, out), check=True, env=env)


if __name__ == "__main__":
    main()
