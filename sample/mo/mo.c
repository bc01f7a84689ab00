/*
 * Mo.exe - stand-in for the Marbelo Orbit main program.
 *
 * The installer only needs a real, runnable Win32 program to pack and to
 * launch after setup; this one opens a single window, draws a small
 * Mandelbrot picture once into an off-screen bitmap and repaints from it.
 * It uses nothing beyond user32/gdi32/kernel32 so that it runs on every
 * Windows version the product supports (and under Wine in our tests).
 */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#define PIC_W 320
#define PIC_H 240
#define MAX_ITER 96

static const char kClassName[] = "MarbeloOrbitMain";
static const char kTitle[] = "Marbelo Orbit 2.0";

static HBITMAP g_picture;

/* Maps an iteration count to a deep-blue / violet / gold palette, the same
 * feel as the "Default" gradient shipped in the Gradient folder. */
static COLORREF shade(int iter)
{
    int t, r, g, b;
    if (iter >= MAX_ITER)
        return RGB(0, 0, 16);
    /* Most points escape within a few iterations, so the ramp is squeezed
     * into the first 48 and then held, which keeps the outside lively. */
    t = iter >= 48 ? 255 : (iter * 255) / 48;
    r = t < 128 ? t : 255;
    g = t < 128 ? t / 3 : 42 + (t - 128) * 3 / 2;
    b = t < 128 ? 90 + t : 255 - (t - 128) * 2;
    if (g > 255) g = 255;
    if (b < 0) b = 0;
    return RGB(r, g, b);
}

/* Renders the picture once; the window only ever blits it afterwards, so
 * resizing and uncovering stay cheap even on slow machines. */
static HBITMAP render_picture(void)
{
    BITMAPINFO bi;
    DWORD *bits = NULL;
    HBITMAP bmp;
    int x, y;

    ZeroMemory(&bi, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = PIC_W;
    bi.bmiHeader.biHeight = -PIC_H; /* top-down keeps the loop simple */
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;

    bmp = CreateDIBSection(NULL, &bi, DIB_RGB_COLORS, (void **)&bits, NULL, 0);
    if (!bmp || !bits)
        return NULL;

    for (y = 0; y < PIC_H; ++y) {
        double ci = (y - PIC_H / 2) * (2.4 / PIC_H);
        for (x = 0; x < PIC_W; ++x) {
            double cr = -0.65 + (x - PIC_W / 2) * (2.4 / PIC_H);
            double zr = 0.0, zi = 0.0;
            int iter = 0;
            COLORREF c;
            while (iter < MAX_ITER && zr * zr + zi * zi < 4.0) {
                double t = zr * zr - zi * zi + cr;
                zi = 2.0 * zr * zi + ci;
                zr = t;
                ++iter;
            }
            c = shade(iter);
            /* DIB pixels are stored as 0x00RRGGBB, COLORREF as 0x00BBGGRR. */
            bits[y * PIC_W + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    }
    return bmp;
}

static void paint(HWND hwnd)
{
    PAINTSTRUCT ps;
    RECT rc;
    HDC dc = BeginPaint(hwnd, &ps);

    GetClientRect(hwnd, &rc);
    if (g_picture) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(mem, g_picture);
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, 0, 0, rc.right, rc.bottom, mem, 0, 0, PIC_W, PIC_H, SRCCOPY);
        SelectObject(mem, old);
        DeleteDC(mem);
    } else {
        FillRect(dc, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
    }

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    rc.left += 8;
    rc.bottom -= 6;
    DrawTextA(dc, kTitle, -1, &rc, DT_LEFT | DT_BOTTOM | DT_SINGLELINE);

    EndPaint(hwnd, &ps);
}

static LRESULT CALLBACK wnd_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE:
        g_picture = render_picture();
        return 0;
    case WM_ERASEBKGND:
        return 1; /* paint() covers the whole client area */
    case WM_SIZE:
        InvalidateRect(hwnd, NULL, FALSE);
        return 0;
    case WM_PAINT:
        paint(hwnd);
        return 0;
    case WM_DESTROY:
        if (g_picture) {
            DeleteObject(g_picture);
            g_picture = NULL;
        }
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmd, int show)
{
    WNDCLASSA wc;
    HWND hwnd;
    MSG msg;

    (void)prev;
    (void)cmd;

    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = wnd_proc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc))
        return 1;

    hwnd = CreateWindowA(kClassName, kTitle, WS_OVERLAPPEDWINDOW,
                         CW_USEDEFAULT, CW_USEDEFAULT, 2 * PIC_W + 16, 2 * PIC_H + 40,
                         NULL, NULL, inst, NULL);
    if (!hwnd)
        return 1;

    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
