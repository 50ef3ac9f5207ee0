// Resource ids of Linkmoss.dll.
#pragma once

#define IDS_PROJNAME 100
#define IDR_LINKMOSS 101   // AppID registry script
#define IDR_MYCOMOUT 102   // MyComOut class registry script
