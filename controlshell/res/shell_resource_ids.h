/* Resource numbers of a control module's shell; read by C++ and by the resource compiler. */
#ifndef CONTROLSHELL_SHELL_RESOURCE_IDS_H
#define CONTROLSHELL_SHELL_RESOURCE_IDS_H

#define IDS_CONTROL_TYPE_NAME 1
#define IDS_PAGE_TYPE_NAME 2
#define IDS_PAGE_CAPTION 200
#define IDB_TOOLBOX 1
#define IDD_PROPERTY_PAGE 200
#define IDR_TYPELIB 1

#endif
