// Resource ids of the controls tests' own dialogs (controls_test.rc). The
// installer's artwork (faces 142..148, cursor 149) comes from app/setup.rc.
#pragma once

#define IDD_CONTROLS_HOST 300

#define IDC_HOST_BACK 1011
#define IDC_HOST_CHECK 1020
#define IDC_HOST_RADIO 1021
#define IDC_HOST_EDIT 1030

// Test pictures, 9 x 7 pixels of one colour, without resolution information
// (so they draw at exactly their pixel size): data/*, made with ImageMagick.
#define IDR_RED_PNG 501
#define IDR_RED_JPEG 502
#define IDR_RED_GIF 503
#define IDR_BLUE_BMP 504
#define IDR_GREEN_BMP 505
