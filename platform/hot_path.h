// Marks the functions an exchange with the camera runs through.
#pragma once

// An exchange runs right after a wake-up, with the processor's caches and
// address translations cold, so beyond its system calls it costs the code
// lines and pages it touches more than the instructions it runs. GCC and
// Clang place functions marked hot in one subsection of the text section
// (.text.hot), which the linker lays out side by side: the path through the
// camera object, the control's events and the transport then lies in a few
// pages instead of one or two in every file it passes through.
#define XKIV_HOT [[gnu::hot]]
