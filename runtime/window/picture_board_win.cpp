// The drawing board: a window that shows one picture, decoded by GDI+ from the
// bytes of an image file, at its natural size from the top-left corner. It
// keeps the bytes so that it can answer the picture query message.
//
// A picture set on a board that is shown is decoded at once on another
// thread, while the window gets on with other things; its board takes the
// result when it paints. Any other picture is decoded when its board is first
// painted: boards on pages that are not on show cost nothing. GDI+
// (delay-loaded) is started once, on a thread of its own
// (PreparePictureDecoding), which once the window is shown decodes the queued
// pictures and then one pixel, so that the decoder is set up for those to
// come; a board painted before GDI+ has started waits for it.
//
// The pictures to decode ahead are queued and decoded one after the other by
// one thread: the preparing thread once GDI+ is up, else one of the system's
// pool. Under Wine each new thread costs the window's thread a request or
// more, and on a machine of two cores pictures decoded side by side only
// compete with the window. Decoding begins when the main window is about to
// be shown (BeginDecodingAhead): a window that is never shown sets up no
// decoder, which with its image codecs holds about a megabyte.
#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <deque>
#include <memory>
#include <mutex>
#include <utility>

#include "runtime/data/crc32.h"
#include "runtime/program.h"
#include "runtime/window/controls.h"
#include "runtime/window/window_state.h"

using namespace Gdiplus::DllExports;

namespace rt::detail {
namespace {

// Starts GDI+ once; false when it cannot be started (no picture is then shown).
bool GdiplusStarted() {
  static bool started = false;
  static std::once_flag once;
  std::call_once(once, [] {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    started = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  });
  return started;
}

// A picture of one grey pixel: decoding it makes GDI+ load and set up its
// decoder the way the bank's pictures need it.
constexpr BYTE kOnePixelPng[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
                                 0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x00, 0x00, 0x00,
                                 0x00, 0x3A, 0x7E, 0x9B, 0x55, 0x00, 0x00, 0x00, 0x0A, 0x49, 0x44, 0x41, 0x54, 0x78,
                                 0x9C, 0x63, 0xF8, 0x0F, 0x00, 0x01, 0x01, 0x01, 0x00, 0xB1, 0x38, 0xF6, 0x14, 0x00,
                                 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

// A picture decoded ahead of its board's painting. Whoever lets go of it last
// (the pool's thread or the board) disposes of a result not taken.
struct Decoding {
  explicit Decoding(const ByteSet& picture) : bytes(picture), done(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Decoding() {
    if (image) GdipDisposeImage(image);
    if (done) CloseHandle(done);
  }
  Decoding(const Decoding&) = delete;
  Decoding& operator=(const Decoding&) = delete;
  const ByteSet bytes;
  Gdiplus::GpImage* image = nullptr;
  const HANDLE done;  // set once `image` is the decoding of `bytes`
};

struct Board {
  ByteSet bytes;
  Gdiplus::GpImage* image = nullptr;
  bool decoded = false;             // `image` is the decoding of `bytes` (null when they are no picture)
  std::shared_ptr<Decoding> ahead;  // the decoding of `bytes` under way, if any
};

Board* BoardOf(HWND hwnd) { return reinterpret_cast<Board*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

void ReleaseImage(Board* board) {
  if (board->image) GdipDisposeImage(board->image);
  board->image = nullptr;
  board->decoded = false;
  board->ahead.reset();
}

Gdiplus::GpImage* Decode(const ByteSet& bytes) {
  if (bytes.empty() || !GdiplusStarted()) return nullptr;
  IStream* stream = SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
  if (!stream) return nullptr;
  Gdiplus::GpBitmap* bitmap = nullptr;
  const Gdiplus::GpStatus status = GdipCreateBitmapFromStream(stream, &bitmap);
  stream->Release();
  return status == Gdiplus::Ok ? bitmap : nullptr;
}

// The pictures waiting to be decoded ahead, and whether a thread is at them.
// Never destroyed: a thread may still be at them while the process ends.
struct DecodeQueue {
  std::mutex lock;
  std::deque<std::shared_ptr<Decoding>> waiting;
  bool served = false;
  const HANDLE shown = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // set by BeginDecodingAhead
};
DecodeQueue& Queue() {
  static auto* queue = new DecodeQueue;
  return *queue;
}

// Decodes what is queued until nothing is; then no thread serves the queue.
void DecodeQueued() {
  DecodeQueue& queue = Queue();
  for (;;) {
    std::shared_ptr<Decoding> decoding;
    {
      std::lock_guard<std::mutex> guard(queue.lock);
      if (queue.waiting.empty()) {
        queue.served = false;
        return;
      }
      decoding = std::move(queue.waiting.front());
      queue.waiting.pop_front();
    }
    if (decoding.use_count() == 1) continue;  // its board has another picture by now
    decoding->image = Decode(decoding->bytes);
    SetEvent(decoding->done);
  }
}

void CALLBACK DecodeQueuedOnPool(PTP_CALLBACK_INSTANCE, void*) { DecodeQueued(); }

void DecodeAhead(Board* board) {
  auto decoding = std::make_shared<Decoding>(board->bytes);
  if (!decoding->done) return;
  DecodeQueue& queue = Queue();
  std::lock_guard<std::mutex> guard(queue.lock);
  // Those whose boards have other pictures by now are not kept waiting.
  std::erase_if(queue.waiting, [](const std::shared_ptr<Decoding>& d) { return d.use_count() == 1; });
  queue.waiting.push_back(decoding);
  if (!queue.served) {
    if (!TrySubmitThreadpoolCallback(DecodeQueuedOnPool, nullptr, nullptr)) {
      queue.waiting.clear();  // nothing serves the queue: each board decodes its own when painted
      return;
    }
    queue.served = true;
  }
  board->ahead = std::move(decoding);
}

// The board's picture, decoded: taken from its decoding ahead when there is
// one (waiting for it, within reason), else decoded here.
Gdiplus::GpImage* DecodedPicture(Board* board) {
  constexpr DWORD kWaitLimitMs = 10000;
  Gdiplus::GpImage* image = nullptr;
  if (board->ahead && WaitForSingleObject(board->ahead->done, kWaitLimitMs) == WAIT_OBJECT_0) {
    image = std::exchange(board->ahead->image, nullptr);
  } else {
    image = Decode(board->bytes);
  }
  board->ahead.reset();
  return image;
}

void Paint(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  Board* board = BoardOf(hwnd);
  if (board && !board->decoded) {
    board->image = DecodedPicture(board);
    board->decoded = true;
  }
  if (board && board->image) {
    Gdiplus::GpGraphics* graphics = nullptr;
    if (GdipCreateFromHDC(dc, &graphics) == Gdiplus::Ok) {
      UINT w = 0, h = 0;
      GdipGetImageWidth(board->image, &w);
      GdipGetImageHeight(board->image, &h);
      GdipDrawImageRectI(graphics, board->image, 0, 0, static_cast<INT>(w), static_cast<INT>(h));
      GdipDeleteGraphics(graphics);
    }
  }
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK BoardProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new Board));
      break;
    case WM_NCDESTROY:
      if (Board* board = BoardOf(hwnd)) {
        ReleaseImage(board);
        delete board;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      }
      break;
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDBLCLK:
      if (const LiveUnit* unit = FindUnitByControlId(GetDlgCtrlID(hwnd))) Dispatch(*unit, kEventDoubleClick);
      return 0;
    case kPictureQueryMessage: {
      const Board* board = BoardOf(hwnd);
      if (!board || board->bytes.empty()) return 0;
      const uint64_t length = board->bytes.size();
      const uint64_t crc = Crc32(board->bytes.data(), board->bytes.size());
      return static_cast<LRESULT>((length << 32) | crc);
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

DWORD WINAPI PrepareDecoding(void*) {
  GdiplusStarted();
  if (Queue().shown) WaitForSingleObject(Queue().shown, INFINITE);
  DecodeQueued();
  // The decoder set up for the pictures still to come.
  if (Gdiplus::GpImage* image = Decode(ByteSet(kOnePixelPng, sizeof kOnePixelPng))) GdipDisposeImage(image);
  return 0;
}

}  // namespace

const wchar_t kDrawingBoardClass[] = L"TessalyDrawingBoard";

void RegisterDrawingBoardClass(HINSTANCE instance) {
  WNDCLASSW wc{};
  // One device context for all the boards, which paint one after the other on
  // the window's thread: under Wine each window painted first on a context of
  // the shared cache gets a new one made, at some ten requests to the server.
  wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_CLASSDC;
  wc.lpfnWndProc = BoardProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kDrawingBoardClass;
  RegisterClassW(&wc);
}

void DrawingBoardSetPicture(HWND hwnd, const ByteSet& picture, bool shown) {
  Board* board = BoardOf(hwnd);
  if (!board) return;
  ReleaseImage(board);
  board->bytes = picture;
  if (!picture.empty() && shown) DecodeAhead(board);
  InvalidateRect(hwnd, nullptr, FALSE);
}

void BeginDecodingAhead() {
  if (const HANDLE shown = Queue().shown) SetEvent(shown);
}

void PreparePictureDecoding() {
  // The thread serves the queue from the start: what is queued while GDI+
  // gets ready waits for it rather than for another thread. Should the
  // thread not start, the pool serves the queue and the first picture
  // decoded starts GDI+.
  DecodeQueue& queue = Queue();
  std::lock_guard<std::mutex> guard(queue.lock);
  if (queue.served) return;
  HANDLE thread = CreateThread(nullptr, 0, PrepareDecoding, nullptr, 0, nullptr);
  if (!thread) return;
  CloseHandle(thread);
  queue.served = true;
}

}  // namespace rt::detail
