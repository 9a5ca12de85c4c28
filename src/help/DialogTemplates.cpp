// Templates of the help dialogs and the About box, with their texts.
#include "help/Help.h"

namespace vantor {

namespace {

ControlTemplate Text(std::string text, bool sameRow = false) {
    ControlTemplate c;
    c.kind = ControlKind::Static;
    c.text = std::move(text);
    c.sameRow = sameRow;
    return c;
}

ControlTemplate Ok() {
    ControlTemplate c;
    c.id = kIdOk;
    c.kind = ControlKind::DefButton;
    c.text = "OK";
    c.sameRow = true;  // at the top right, beside the header
    return c;
}

// A help dialog: a header line with the OK button beside it, then three blocks.
DialogTemplate HelpTemplate(int id, std::string title, const std::string& name, std::string first, std::string second,
                            std::string third, int height) {
    DialogTemplate t{id,
                     std::move(title),
                     {
                         Text("◆ " + name + "      This Program is FREE SOFTWARE"),
                         Ok(),
                         Text(std::move(first)),
                         Text(std::move(second)),
                         Text(std::move(third)),
                     }};
    t.width = 372;
    t.height = height;
    t.fontPoints = 12;
    return t;
}

}  // namespace

const DialogTemplate& HowToUse1Template() {
    static const DialogTemplate t = HelpTemplate(
        IDD_HOW_TO_USE_1, "使用方法(How To Use) 1", "How to Use 1",
        "Basic use: pick pictures with File > Slide Show File Select (up to 1300 at a time, Shift or Ctrl picks\n"
        "several; repeat to add more), then start the show with File > Slide Show Start.\n"
        "The slide list holds at most 10000 files. Speed, Scale and Jump (View menu) work during a slide show.\n"
        "JPEG files end in .jpg, .jpeg or .jpe; also taken, by name: .bmp, .png, .gif (its first frame), .webp,\n"
        ".tif and .tiff (the first page), .heic, .heif and .avif, transparent parts over the background, colours\n"
        "taken as sRGB. View > Rotate by EXIF Orientation (or --auto-rotate) shows JPEG photos upright as the\n"
        "camera recorded them, in the show and in the write; it is off at first.",
        "Automatic file search, four kinds. Each first asks JPEG or BMP (two radio buttons) and the 0/1 field\n"
        "(see Help > How to Use), then searches the chosen folder and its subfolders, down to folder depth 18.\n"
        "A JPEG search takes the files whose names end in .jpg or .JPG, a BMP search those ending in .bmp or .BMP;\n"
        "not .Jpg, .jpeg or .jpe, and nothing but regular files and links to them:\n"
        "  select mode: choose a folder; a list of the folders found opens, pick the ones to search.\n"
        "  remove mode: choose a folder; a list of the folders found opens, pick the ones to leave out.\n"
        "  drive mode: choose a volume (a mounted file system such as /) in place of a drive, then remove folders.\n"
        "  folder mode (Slide Show File Auto Search): choose a folder; it and its subfolders are searched.\n"
        "The name MFC_DUMMY.JPG proposed in the folder dialogs is a dummy: only the folder you are in counts.",
        "Limits: when 150000 or more folders are found you choose to search on to the end or to stop there;\n"
        "when one search finds 10000 or more files you choose Loop (overwrite from the second slide on, keep\n"
        "10000), Cancel+Retry (start the list again from the file found then) or Stop (keep the 10000).\n"
        "On this system folders and mounted volumes take the place of drives, and symbolic links to\n"
        "folders are not walked (a chosen folder that is a link is followed).",
        242);
    return t;
}

const DialogTemplate& HowToUse2Template() {
    static const DialogTemplate t = HelpTemplate(
        IDD_HOW_TO_USE_2, "使用方法(How To Use) 2", "How to Use 2",
        "Writing the slide list out (batch write), in this order:\n"
        "  1. File > Slide File Write Start.  2. The scale dialog: output size type, frame size, JPEG quality,\n"
        "  and JPEG or BMP output.  3. The output folder.  4. The slide number to start from.  5. The writing.",
        "Output size types:\n"
        "  0  shrink large pictures to the frame, keep small ones as they are\n"
        "  1  unchanged: every picture keeps its own size\n"
        "  2  shrink large pictures and enlarge small ones to fit the frame\n"
        "  3  distort every picture to fill the frame\n"
        "Types 0, 2 and 3 write into a frame such as 800*600; type 1 keeps the picture's own size.",
        "Speed, Scale and Jump (View menu) also work while writing.\n"
        "The same write runs without a window from the command line:\n"
        "  vantor --write OUTDIR ... PATH...   (the pictures, or the folders of pictures, given as PATHs)",
        234);
    return t;
}

const DialogTemplate& HowToUseFeaturesTemplate() {
    static const DialogTemplate t = HelpTemplate(
        IDD_HOW_TO_USE_FEATURES, "vantor の 特長的な使い方", "How to Use (features)",
        "The menus, the mouse and the keyboard keep working during a slide show or a write (a write reacts\n"
        "to them as a show does). In the picture:\n"
        " While the show runs:\n"
        "  left button, or Halt-Restart (File or View menu): halts it on the slide on screen\n"
        "  right button: nothing\n"
        "  any key (Esc, Space, Enter, a letter, Shift, Ctrl, ...): asks Stop or Continue\n"
        " While it is halted:\n"
        "  left button, or Halt-Restart: goes on with the next slide\n"
        "  right button, or Space: one slide back (never before the first)\n"
        "  Esc: asks Stop or Continue\n"
        "  any other key: one slide forward\n"
        " Stop or Continue: YES (stop) ends the show after showing the last slide; NO (continue) goes on.\n"
        " Abort (File or View menu) ends the show after showing the last slide. Alt and Alt+key go to the menus.\n"
        " When no show, write, search or sort runs (vantor PICTURE shows the pictures of its folder so):\n"
        "  Right, Page Down or n: the next slide; Left, Page Up, BackSpace or p: the slide before\n"
        "  Home: the first slide; End: the last (the keys stop at the ends; the title gives the place)\n"
        "  q or Ctrl+Q: quits\n"
        "The picture on screen can be saved from the File menu in the middle of a slide show.\n"
        "View > Full Screen (F11; vantor --fullscreen) leaves the picture alone on the screen: F11 leaves it, and so\n"
        "does Esc when no show, search, sort or write runs; i shows the texts there. View > Fit to Window (vantor\n"
        "--fit-window) fits the show into the window, refitting as it changes size; the scale dialog's frame stays\n"
        "the frame of the write. When no show runs: + and - (Ctrl+wheel) zoom, 0 or = fits, 1 is 100 %; drag,\n"
        "the wheel and Shift+wheel move a picture larger than the window.",
        "Damaged JPEG files: one that can still be decoded shows two JPEG Error boxes (the decoder's message,\n"
        "then the file's path) and is then shown; one that cannot shows a JPEG Fatal Error box, and from the\n"
        "third slide on a box with its path and the Stop or Continue question (for slides 1 and 2 the previous\n"
        "picture stays). The 0/1 field of the file-type dialog (labelled Temporary Internet Files, 1 at first)\n"
        "chooses the folders walked at the first nine levels: with 0, folders whose names end in a dot and three\n"
        "characters (photos.old) or in .c or .h are skipped; with 1 they are walked when they are plain folders\n"
        "(not hidden, read-only or links), and those ending in .ie4 to .ie9 in any case. From level 10 on only\n"
        "names without a dot are walked. A browser's cache here holds no files named .jpg: the searches do not\n"
        "find its pictures.\n"
        "At speed 0 or 1, browsing 10000 files and writing 10000 files go as fast as the machine allows.\n"
        "An output file never replaces another: while its name is taken, name~(1), name~(2) ... name~9989\n"
        "are tried (9989 more names); when all are taken nothing is written and the slide is reported.",
        "Output size types: 0 shrink large / keep small, 1 unchanged (own size), 2 shrink large / enlarge\n"
        "small, 3 distort to the frame; 0, 2 and 3 write into a frame such as 800*600.\n"
        "Searches use folders and mounted volumes in place of drives and do not walk symbolic links to\n"
        "folders; batch writes also run from the command line: vantor --write OUTDIR ... PATH... (a list of\n"
        "any length with --files-from FILE, several pictures at once with --jobs N: see vantor --help).",
        234);
    return t;
}

const DialogTemplate& AboutTemplate() {
    static const DialogTemplate t = [] {
        DialogTemplate about{IDD_ABOUTBOX,
                             "About vantor",
                             {
                                 Text("vantor  Version " VANTOR_VERSION),
                                 Ok(),
                                 Text("A picture viewer for timed slide shows of JPEG and BMP files,\n"
                                      "and for writing a slide list out as framed JPEG or BMP files."),
                                 Text("This Program is FREE SOFTWARE"),
                             }};
        about.width = 217;
        about.height = 146;
        about.fontPoints = 8;
        return about;
    }();
    return t;
}

}  // namespace vantor
