/* Control and resource identifiers, shared by vgatv.rc and the code: #defines only. */
#ifndef VGATV_RESOURCE_H
#define VGATV_RESOURCE_H

#define IDB_LOGO            10
#define IDI_VGATV           200

/* Output mode: one radio group, 100-102 */
#define IDC_VGA             100
#define IDC_TV_ONLY         101
#define IDC_TV_VGA          102

/* TV only: the scale toggle, then the standard group 104-105 */
#define IDC_SCALE           103
#define IDC_NTSC            104
#define IDC_PAL             105

/* TV and VGA */
#define IDC_FLICKER         106
#define IDC_FLICKER_LABEL   107
#define IDC_NTSC60          108
#define IDC_PAL640          109
#define IDC_PAL800          110
#define IDC_UPDOWN          111
#define IDC_LEFTRIGHT       112

#define IDC_OK              114

#define IDC_MAIN_GROUP      120
#define IDC_TVONLY_GROUP    121
#define IDC_TVVGA_GROUP     122
#define IDC_STANDARD_GROUP  124

#endif
