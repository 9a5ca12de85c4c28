// The one view of the program and the owner of all of its state: the current
// picture, the slide list, the directory list, every setting, and the flags through
// which the long-running commands and the user's clicks and keys talk to each other.
// Every menu command is a handler here. The view reaches the screen and the user
// only through the Ui services and a Canvas.
//
// The state that travels between folders is kept in value types (OutputSettings,
// SlideList, DirectoryList, Fit); each group of fields below says who may write it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "imaging/JpegPrefetch.h"
#include "imaging/RgbBuffer.h"
#include "platform/Canvas.h"
#include "platform/PictureFormats.h"
#include "viewer/CurrentPicture.h"
#include "viewer/Lists.h"
#include "viewer/OutputSettings.h"

namespace vantor {

class Ui;

// A modification time as the view prints it: "yyyy  MM / dd  Www hh:mm:ss".
std::string DateLine(std::time_t modified);

inline constexpr std::size_t kFolderBufferSize = 1004;

// Virtual-key codes the key reaction tests.
inline constexpr unsigned VK_BACK = 8;
inline constexpr unsigned VK_RETURN = 13;
inline constexpr unsigned VK_ESCAPE = 27;
inline constexpr unsigned VK_SPACE = 32;
inline constexpr unsigned VK_PRIOR = 33;  // Page Up
inline constexpr unsigned VK_NEXT = 34;   // Page Down
inline constexpr unsigned VK_END = 35;
inline constexpr unsigned VK_HOME = 36;
inline constexpr unsigned VK_LEFT = 37;
inline constexpr unsigned VK_RIGHT = 39;
// and those that zoom when no run goes
inline constexpr unsigned VK_NUMPAD0 = 96;
inline constexpr unsigned VK_NUMPAD1 = 97;
inline constexpr unsigned VK_ADD = 107;  // + on the keypad, and + typed on any keyboard
inline constexpr unsigned VK_SUBTRACT = 109;
inline constexpr unsigned VK_OEM_PLUS = 187;  // the = key
inline constexpr unsigned VK_OEM_MINUS = 189;

class CVantorView {
public:
    CVantorView();
    virtual ~CVantorView();
    CVantorView(const CVantorView&) = delete;
    CVantorView& operator=(const CVantorView&) = delete;

    // ---- commands -----------------------------------------------------------------
    // Runs a menu command if it is enabled; false when it is unknown or greyed.
    bool OnCommand(int id);
    bool IsCommandEnabled(int id) const;
    bool IsCommandChecked(int id) const;
    // True while a command handler runs (long loops run inside theirs).
    bool InCommand() const { return m_commandDepth > 0; }

    // The user closes the main window: every running loop ends at its next step.
    void RequestClose();
    bool CloseRequested() const { return m_closeRequested; }
    // True when a running show waits for the user (halted, no step pending).
    bool WaitingForUser() const;
    // Changes whenever a click, key or command changed how a running show goes on;
    // a wait between slides may end early when it does.
    std::uint64_t RunStateKey() const;

    // True while a search or a sort runs: the commands that would change the slide
    // list or start another long run are greyed (and refused) meanwhile.
    bool LongRunActive() const { return m_longRuns > 0; }
    // Marks a search or a sort as running for its lifetime.
    class LongRun {
    public:
        explicit LongRun(CVantorView& view) : m_view(view) { ++m_view.m_longRuns; }
        ~LongRun() { --m_view.m_longRuns; }
        LongRun(const LongRun&) = delete;
        LongRun& operator=(const LongRun&) = delete;

    private:
        CVantorView& m_view;
    };

    // ---- window reactions ----------------------------------------------------------
    void OnInitialUpdate();
    void OnDraw(Canvas& canvas);
    // The screen around the picture for m_backColor: whether the paint fills it, in
    // which colour (white, a cleared window's, where nothing is filled), and the
    // colour of the texts drawn on it.
    struct Backdrop {
        bool fill = true;
        Rgb band;
        Rgb text;
    };
    Backdrop ScreenBackdrop() const;

    // Asks for a repaint; with erase the client area is cleared first, so nothing
    // drawn earlier (the previous picture, text drawn outside a paint) remains.
    void InvalidateView(bool erase);

    // Text drawn straight onto the client area outside a paint: the progress lines of
    // the searches, the sort and the batch write. Each is drawn at once, on an opaque
    // cell of its own size (client-area text without a background mode: black on
    // white unless told otherwise), over whatever is there; the view's next paint
    // draws over it like over anything else. The rows record the text last drawn on
    // each row (y) until the view is erased.
    struct OverlayText {
        int x = 0;
        std::string text;
        unsigned draws = 0;  // how often the row was drawn since the last erase
    };
    void ClientTextOut(int x, int y, const std::string& text, Rgb color = {0, 0, 0}, Rgb cell = {255, 255, 255});
    const std::map<int, OverlayText>& Overlay() const { return m_overlay; }
    void OnLButtonDown();
    void OnRButtonDown();
    void OnKeyDown(unsigned virtualKey);
    // True while no show, write, search or sort runs: keys then do what a desktop
    // viewer's do; during a run every key keeps the run's meaning.
    bool NoRunGoing() const { return m_stopped == 1 && m_searching == 0 && m_sorting == 0 && !LongRunActive(); }
    // The keys that step through the slide list and q; false for any other key.
    bool OnBrowseKey(unsigned virtualKey);
    // The keys of the picture when no run goes: + and - zoom in steps about the
    // centre, 0 and = fit again, 1 shows 100 %, i the texts in full screen. True
    // when the key was taken.
    bool OnViewKey(unsigned virtualKey);
    // Ctrl with the wheel: notches steps of zoom (in when positive) about the
    // point (x, y) of the client area; nothing while a run goes.
    void OnZoomWheel(int notches, int x, int y);

    // Where the paint puts the picture in a client area of cx x cy, before the
    // scroll: its drawn rectangle (the fit, or the zoom) and how far the view
    // scrolls over it each way (0 where it fits). Runs the fit into DisplayFrame().
    struct Layout {
        Rect picture;
        int scrollX = 0, scrollY = 0;
        double scale = 1;  // drawn pixels per pixel of the picture (its narrower side's, when warped)
    };
    Layout LayOut(int cx, int cy);

    // ---- fit computation -------------------------------------------------------------
    // Into the scale dialog's frame (the batch write's), or into any other frame.
    void ComputeFit();
    void ComputeFit(std::uint32_t maxWidth, std::uint32_t maxHeight);
    // The fit of a width x height picture into a frame, as ComputeFit stores it:
    // the frame (one more than its size), the part of the picture used, the fitted
    // size and the ratio in units of 1/100000.
    struct Fit {
        std::uint32_t m_fitFrameWidth = 0, m_fitFrameHeight = 0, m_fitSrcWidth = 0, m_fitSrcHeight = 0;
        std::uint32_t m_fitWidth = 0, m_fitHeight = 0, m_fitRatio = 1;
    };
    static Fit FitPicture(std::uint32_t width, std::uint32_t height, std::uint32_t maxWidth, std::uint32_t maxHeight,
                          std::int32_t outScaleMode);

    // ---- file loaders and savers -------------------------------------------------------
    void LoadJpegFile(const std::string& path);
    void LoadBmpFile(const std::string& path);
    // PNG, GIF, WebP, TIFF, HEIC and AVIF, at full size, over PictureBackground(),
    // taking over the decode ahead of exactly that file over it when there is one.
    void LoadDecodedFile(const std::string& path);
    // What transparent parts are drawn over: the output background in a write, the
    // screen's around the picture otherwise.
    JpegPrefetch::Background PictureBackground() const;
    // Outside a run, loads the picture on screen again when its format has the
    // property when (a setting that changes how it decodes); true when it did.
    bool ReloadShownPicture(bool PictureFormat::*when);
    void SaveBmpFile(const std::string& path);
    // After a bitmap save: its failure told (the writer's text; empty: written), or
    // the file shown as it was written.
    void ShowSavedBmp(const std::string& failure, const std::string& path);
    // Loads a JPEG at the DCT reduction choose picks for frame, taking over the
    // decode ahead of exactly that file when there is one (with fit, the picture
    // shrunk for the screen too); true when it did.
    bool LoadJpegScaled(const std::string& path, JpegFile::ScaleChooser choose, const JpegPrefetch::ScaleContext& frame,
                        JpegPrefetch::Fitter fit = nullptr);
    // Loads with the loader of the format the path's ending names (the table of
    // platform/PictureFormats.h); any other ending loads nothing.
    void LoadByEnding(const std::string& path);
    // The same for a file the user named (Open, the command line): any other
    // ending is told in a box.
    void OpenByEnding(const std::string& path);

    // ---- slide show ---------------------------------------------------------------------
    virtual void ShowSlide();  // a test overrides it to watch each slide
    // The next slide is decoded on a second thread (m_buf.Ahead()) while this one
    // is on screen or being written; any load of exactly that file, unchanged, takes it over.
    bool m_prefetchSlides = true;  // set by tests and benchmarks only, to compare a run without it
    // Starts decoding the slides the run will show next if nothing intervenes (only
    // while it goes on by itself), at the reduction choose picks for the frame,
    // shrunk by fit when there is one.
    void PrefetchNextSlide(JpegFile::ScaleChooser choose, const JpegPrefetch::ScaleContext& frame,
                           JpegPrefetch::Fitter fit = nullptr);
    // The reduction a JPEG is decoded at for the screen: the smallest whose pixels
    // still cover the picture's fit in the frame (width, height, scale mode).
    static unsigned ChooseDisplayScale(std::uint32_t width, std::uint32_t height, const void* frame);
    // The size a picture is drawn at in the frame (width, height, scale mode), unzoomed.
    static JpegPrefetch::ShownSize DisplayFit(std::uint32_t width, std::uint32_t height, const void* frame);
    // The frame the screen fits pictures into: the scale dialog's, or with Fit to
    // Window the client area less a margin of kWindowMargin on every side.
    JpegPrefetch::ScaleContext DisplayFrame() const;
    static constexpr std::uint32_t kWindowMargin = 30;
    static unsigned DelayForSpeed(std::uint32_t speed);
    // Shows the stop-or-continue dialog; true when the answer is "stop".
    bool AskStop();
    // A slide that failed: its boxes, then (when ask) the stop-or-continue question,
    // whose stop ends the run after this pass (true).
    bool TellSlideFailed(const std::vector<std::string>& boxes, bool ask = true);

    // The command line: pictures (and folders of pictures) given at start-up.
    // One picture is shown among the pictures of its folder, which become the slide
    // list, with no show; several fill the slide list and start a show.
    void OnCommandLine(const std::vector<std::string>& paths);
    // Shows slide number (1-based) with no run going; the title names it and its place.
    void BrowseTo(std::uint32_t number);

    // Appends a picked path under the 10000 rule (the over-10000 dialog and its
    // answers); false when the answer was Stop and later paths are to be ignored.
    bool AppendSlide(const std::string& path);

    // ---- command handlers ---------------------------------------------------------------
    void OnAppExit();
    void OnSlideShowStart();
    void OnHaltRestart();
    void OnAbort();
    void OnFileClear();
    void OnFileSelect();
    void OnShowSlideFiles();   // slides/: the viewer of the slide list
    void OnShowDirectories();  // slides/: the viewer of the directory list
    void OnSpeed();
    void OnScale();
    void OnJump();
    void OnBackgroundToggle();
    void OnProgressBarToggle();
    void OnFullScreen();
    void OnFitWindow();
    void OnAutoRotate();

    // ---- single-picture open and save (imaging/) ---------------------------------------
    void OnOpenImage();
    void OnSaveRgbAs();
    void OnSaveGrayscaleJpeg();
    void OnGetJpgDimensions();
    void OnSaveColormappedbmp();
    // Writes m_buf as a colour or grayscale JPEG and shows the file as stored.
    void SaveJpegFile(const std::string& path, bool color);
    // Asks the quantisation parameters, then reports that GIF cannot be written.
    void SaveGifFile(const std::string& path);
    // The name a save dialog proposes: the file part of the current path, with an
    // upper-case ".BMP" or ".JPG" ending turned into the given extension.
    static std::string ProposedSaveName(const std::string& current, const char* extension);

    // ---- help (help/) ----------------------------------------------------------------------
    void OnHowToUse1();
    void OnHowToUse2();
    void OnHowToUseFeatures();
    void OnAppAbout();

    // ---- image: set by the loaders, the picture commands and the write's composition --------
    // The current picture, in display order, or empty; it changes only through its
    // own operations (replace, clear, a file-order scope). m_width x m_height is its
    // own size, which its pixels have unless it was decoded reduced for the screen.
    CurrentPicture m_buf;
    const std::uint32_t& m_width = m_buf.Width();
    const std::uint32_t& m_height = m_buf.Height();
    Fit m_fit;  // set by ComputeFit alone (the paint, the write step)

    // ---- the lists ----------------------------------------------------------------------
    // Set by File Select, File Clear and the command line (slides/, viewer/), the
    // searches (search/), the sort (sort/) and the command line's write (batch/).
    SlideList m_slides;
    DirectoryList m_dirs;  // set by the searches and File Select

    // ---- current file paths: set by the run loop, the write step and the open commands ----
    std::string m_curSlidePath;
    std::string m_strFile;
    std::string m_lastShownPath;

    // ---- settings: set by the speed and scale dialogs and by the command line's options ----
    std::uint32_t m_speed = 5;
    OutputSettings m_output;
    std::int32_t m_deepSearchSetting = 1;  // also set by the searches' file-type prompt
    std::int32_t m_deepSearch = 0;         // also set by the searches' file-type prompt
    std::uint32_t m_origWidthShown = 801;
    std::uint32_t m_origHeightShown = 601;

    // ---- display: set by the View and Effect toggles and by the command line's options ----
    // m_backColor: the screen's background around the picture (the toggle's states).
    static constexpr std::int32_t kBackWhite = 0;
    static constexpr std::int32_t kBackGray = 1;
    static constexpr std::int32_t kBackNone = 2;  // nothing filled: what was on screen stays
    static constexpr std::int32_t kBackBlack = 3;
    std::int32_t m_backColor = kBackGray;
    // m_progressMode: how much a run shows besides the picture.
    static constexpr std::uint32_t kProgressFull = 0;   // every overlay text, the meter steps
    static constexpr std::uint32_t kProgressBrief = 1;  // sizes, numbers and names only, the meter steps
    static constexpr std::uint32_t kProgressNone = 2;   // the slide number alone, no status panes, meter at 0
    std::uint32_t m_progressMode = kProgressFull;
    std::int32_t m_statusPhase = 0;                   // flipped by the paint and the write step
    bool m_fullScreen = false;                        // the window alone on the screen, without its bars
    bool m_fullScreenTexts = false;                   // full screen shows the texts around the picture too (i)
    std::int32_t m_fullScreenBackColor = kBackBlack;  // the background toggle's state in full screen
    bool m_fitWindow = false;                         // the show fits pictures into the client area
    bool m_autoRotate = false;                        // JPEGs are shown and written upright by their Exif orientation

    // ---- run state: set by the run loop and the reactions to clicks, keys and commands -------
    // (the jump dialog and the write's setup in batch/ among them).
    std::int32_t m_stopped = 1;  // 1 while no show or write runs, 0 during one
    // m_haltState: how a started show or write goes on.
    static constexpr std::int32_t kHaltRunning = 0;   // one slide after the other at m_speed
    static constexpr std::int32_t kHaltHalted = 1;    // the same slide again and again, nothing written
    static constexpr std::int32_t kHaltStepping = 2;  // one slide for each step request, no waiting
    std::int32_t m_haltState = kHaltRunning;
    std::int32_t m_backRequest = 0;
    std::int32_t m_keyBackRequest = 0;
    std::int32_t m_keyForwardRequest = 0;
    std::uint32_t m_slideNo = 0;
    std::int32_t m_writeMode = 0;  // 1 while the run is a batch write, 0 for a show or no run
    std::uint32_t m_writtenCount = 0;
    std::uint32_t m_jumpTarget = 0;
    std::uint32_t m_writtenCountShown = 0;

    // ---- long runs: set by the searches and the sort; the key reaction asks them to stop ----
    std::int32_t m_searching = 0;
    std::int32_t m_searchStop = 0;
    std::int32_t m_sorting = 0;
    std::int32_t m_sortStop = 0;

    // ---- automatic search (search/): m_search set by the searches alone -------------------------
    // m_searchFileType: which files a search collects.
    static constexpr std::int32_t kSearchJpeg = 1;
    static constexpr std::int32_t kSearchBmp = 2;
    // What the searches' prompts and dialogs leave for the walk and the next search.
    struct SearchState {
        std::string m_searchFolder = "d:\\t~\\";  // at most kFolderBufferSize - 1 bytes
        std::int32_t m_searchFileType = kSearchJpeg;
        std::int32_t m_overClicked = 0;  // a choice was clicked in the over-10000 dialog
        std::int32_t m_selMore = 0;      // the More flag copied from a selection dialog
        std::int32_t m_selMoreEdit = 0;  // the value typed in a selection dialog's edit box
    };
    SearchState m_search;
    void OnAutoSearch();
    void OnAutoSearchSelectMode();
    void OnAutoSearchRemoveMode();
    void OnAutoSearchDriveMode();

    // ---- sort (sort/) ----------------------------------------------------------------------------------
    std::int32_t m_sortKind = 0;  // set by the sort dialog
    void OnFileSort();
    // Puts the slide list into the order of a sort kind (0..9); a stopped sort changes nothing.
    void SortSlideList(std::int32_t kind);

    // ---- batch write (batch/): its fields set by the write's setup and step alone ----------------
    std::string m_outFolder = "d:\\t~\\";  // at most kFolderBufferSize - 1 bytes
    std::string m_tempBmpPath;             // m_outFolder + "MFC_DUMMY.BMP" (nothing is written there)
    std::string m_writeSourcePath;         // "at First", then the path written last
    std::uint32_t m_lastStepSlide = 0;     // the entry the write run's last step took; 0 before the first
    void OnFileWriteStart();
    void ChooseOutputFolder();
    // The write run from the start number in m_jumpTarget (the setup done): also the
    // command line's batch write.
    void StartWriteRun();
    // The write run's counterpart of ShowSlide: loads, composes and writes one slide.
    void WriteStep();
    void ConvertAndWriteSlide();
    // One slide's output made ready before its name is chosen: the slide, the name
    // asked for (a.jpg as a.JPG or a.BMP) and the content.
    struct SlideOutput {
        std::string slidePath;
        std::string name;
        std::vector<std::uint8_t> jpeg;  // the JPEG file's bytes; empty when encoding failed
        PixelBlock frame;                // a BMP's picture when it left the view (else m_buf)
        std::uint32_t width = 0, height = 0;
    };
    // Draws the run's texts, composes the output picture and encodes a JPEG; false
    // when nothing is to be written (halted, or reported).
    bool PrepareSlideOutput(SlideOutput& output);
    // Chooses the free name in list order, writes the file and reports; reload puts
    // the written file on the view.
    void StoreSlideOutput(SlideOutput& output, bool reload);
    // Set on a view that only prepares: the write step leaves its output in
    // m_deferred for another view to store (the parallel write's workers).
    bool m_deferStore = false;
    std::optional<SlideOutput> m_deferred;
    // The output picture of the current source into m_buf (display order).
    void ComposeOutputImage();
    // m_buf as a JPEG file's bytes at the quality of m_output.m_jpegQualityIndex; true on success.
    bool EncodeSlideJpeg(bool color, std::vector<std::uint8_t>& bytes);
    // Writes the encoded bytes as the file at path; true on success.
    bool WriteSlideJpeg(SafeWrite& out, const std::string& path, const std::vector<std::uint8_t>& bytes);
    // Reports a slide the run did not write: the window's boxes, then with ask the
    // stop-or-continue question, whose stop ends the run after this pass (true); a
    // user who cannot be asked gets the plain reason about path instead.
    bool ReportUnwritten(const std::string& path, const std::string& reason, const std::vector<std::string>& boxes,
                         bool ask = true);
    // The first free name for name (its last four characters the ending) in folder:
    // name, then stem~(1) .. stem~(9), stem~010 .. stem~099, stem~100 ..., stem~9989.
    // Empty when all are taken. Anything at a path (file, folder, FIFO, link) takes it.
    static std::string FreeOutputName(const std::string& folder, const std::string& name);
    // Loads the slide to be written into m_buf; a JPEG at the smallest DCT scale that
    // still covers the frame (at full size in the straight mode).
    void LoadWriteSource(const std::string& path);

private:
    // The loop of the show and of the write run: the same pacing, halting, stepping
    // and aborting; writing runs WriteStep from the start number instead of ShowSlide.
    void RunLoop(bool writing);
    // The run's state as the status bar names it: idle, halted or running.
    const char* StateText() const;
    // The paint's two status texts: the current file and the run's state.
    void SetStatusTexts();
    // Pane 0 as given, pane 1 the run's state; neither when the progress display is off.
    void SetStatusPanes(const std::string& pane0);
    void SetFullScreen(bool on);
    // The command line's one picture: its folder's pictures become the slide list.
    void BrowseFolderOf(const std::string& picture);
    // Decodes the bitmap kinds the BMP codec leaves aside into m_buf (file order).
    void LoadBmpThroughFallback(const std::string& path);

    // The zoom: drawn pixels per pixel of the picture, or 0 for the fit. Set by the
    // zoom keys and the wheel; another picture (or a run) starts at the fit again.
    void ZoomAbout(double zoom, int x, int y);
    double m_zoom = 0;
    std::string m_viewedPath;  // the picture the zoom and the scroll belong to

    int m_commandDepth = 0;
    bool m_closeRequested = false;
    int m_longRuns = 0;
    std::map<int, OverlayText> m_overlay;  // by row
};

}  // namespace vantor
