// Resource numbers of the pictures compiled into the program (resources/quorvane.rc).
// Shared by the resource script and the code, so plain defines only.
#pragma once

#define IDI_QUORVANE 1

// banners 695x38, in page-kind order
#define IDR_BANNER_START 201
#define IDR_BANNER_SINGLE 202
#define IDR_BANNER_LIST 203
#define IDR_BANNER_SHOP 204
#define IDR_BANNER_CONFIG 205
#define IDR_BANNER_HELP 206

// navigation button pictures, button 1 to 7
#define IDR_NAV_1 211
#define IDR_NAV_2 212
#define IDR_NAV_3 213
#define IDR_NAV_4 214
#define IDR_NAV_5 215
#define IDR_NAV_6 216
#define IDR_NAV_7 217

// start-up picture 460x280, by name
#define IDR_STARTUP_NAME "STARTUP"
