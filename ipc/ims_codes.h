// Codes carried in the wParam of the input monitor server link message, shared
// by the terminal and any server written alongside it.
#pragma once

enum ImsCode : unsigned {
    kImsAnnounce = 0,
    kImsWithdraw = 1,
    kImsDiscover = 2,
    kImsOffer = 3,
    kImsSetTarget = 5,
    kImsGetTarget = 6,
    kImsLinked = 8,
};
