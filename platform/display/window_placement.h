// Where the sdl backend puts the 800 x 600 picture: the window's size on a desktop, the
// picture's place inside the window, the mapping of pointer positions back into the
// picture, and the window's size, position and full-screen state remembered per user.
// Plain arithmetic and a file, no SDL, so that the rules can be tested on their own.
#pragma once

#include <string>

namespace platform {

struct Box {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

// Room left around a window for the desktop's frame (borders and title bar), in total.
constexpr int kFrameWidth = 16;
constexpr int kFrameHeight = 64;

// A window's place is its outer corner (its frame's, where the desktop draws one: where a
// window asked for at x, y goes) and the size of its inside.

// The window that opens on a desktop whose usable area is `usable`: the largest size of
// exactly the picture's aspect that fits with room for the frame, never smaller than the
// picture, never larger than `desktop`; centred with its frame in the usable area.
Box defaultWindowBox(const Box& usable, const Box& desktop, int pictureW, int pictureH);

// The picture's place in an output of outW x outH pixels: the largest box of the picture's
// aspect that fits, centred, with bars where the shapes differ.
Box pictureBox(int outW, int outH, int pictureW, int pictureH);
// True when the picture in `box` is drawn at a whole multiple of its size.
bool isWholeMultiple(const Box& box, int pictureW, int pictureH);

// Maps a point of the output (in output pixels) to picture coordinates; false when the
// point lies in the bars, outside the picture (the coordinates are still set).
bool outputToPicture(const Box& box, int pictureW, int pictureH, double outX, double outY,
                     int* pictureX, int* pictureY);

// A window's remembered placement: its windowed box and whether it was full screen.
struct WindowState {
    Box window;
    bool fullScreen = false;
};

// A desktop this size or smaller both ways, as a handheld's 1280 x 800 screen, is filled:
// there a window would only take room from the picture.
constexpr int kHandheldWidth = 1280;
constexpr int kHandheldHeight = 800;

// Whether a program opens full screen: as the player left it when a placement is remembered
// (`remembered` not null), otherwise when the desktop is a handheld's size or smaller.
bool opensFullScreen(const WindowState* remembered, int desktopW, int desktopH);

// The file the state is kept in: the user's data folder, then Gatefold/window.ini; empty
// when the user has no home, and then nothing is remembered.
std::string windowStatePath();
// False when there is no usable remembered state (no file, or values out of range).
bool loadWindowState(WindowState* state);
// Written atomically; creates the folder. False when it cannot be written.
bool saveWindowState(const WindowState& state);

}  // namespace platform
