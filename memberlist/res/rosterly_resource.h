/* Resource numbers of the member list control; read by C++ and by the resource compiler. */
#ifndef MEMBERLIST_ROSTERLY_RESOURCE_H
#define MEMBERLIST_ROSTERLY_RESOURCE_H

#define IDS_SOCKET_INIT_FAILED 102   /* "Windows sockets initialization failed." */
#define IDS_WEB_HOST 104             /* the service's web host, for the profile pages */

#define IDR_MEMBER_MENU 202

/* Row icons, 42 by 21 pixels. */
#define IDI_WAITING 207
#define IDI_CHATTING 208
#define IDI_MEMBER_209 209
#define IDI_MEMBER_210 210
#define IDI_MEMBER_211 211
#define IDI_NO_WEBCAM 216
#define IDI_WEBCAM 217

/* The service's web host, the one Notewell opens (set when the build is configured). */
#include "web_host.h"
#define ROSTERLY_WEB_HOST CORVALA_WEB_HOST

#ifdef __cplusplus
constexpr char kDefaultWebHost[] = ROSTERLY_WEB_HOST;
#endif

#endif
