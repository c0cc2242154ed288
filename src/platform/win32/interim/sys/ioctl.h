#pragma once
// Interim (see posix_calls.h): the one terminal request the front end
// makes, the console's size.

struct winsize {
  unsigned short ws_row;
  unsigned short ws_col;
  unsigned short ws_xpixel;
  unsigned short ws_ypixel;
};

#define TIOCGWINSZ 0x5413

int ioctl(int fd, unsigned long request, struct winsize* size);
