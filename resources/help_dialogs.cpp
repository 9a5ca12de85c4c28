// Templates of the help dialogs and the About box, with their texts.
#include "help/Help.h"
#include "resource.h"

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
DialogTemplate HelpTemplate(int id, std::string title, std::string name, std::string first, std::string second,
                            std::string third, int height) {
    DialogTemplate t{id, std::move(title), {
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
        "Basic use: pick pictures with File > Slide Show File Select (JPEG or BMP files, up to 1300 at a time,\n"
        "Shift or Ctrl picks several; repeat to add more), then start the show with File > Slide Show Start.\n"
        "The slide list holds at most 10000 files. Speed, Scale and Jump (View menu) work during a slide show.",
        "Automatic file search, four kinds. Each first asks JPEG or BMP (the check box), then searches the\n"
        "chosen folder and all of its subfolders, down to folder depth 18, for every file of that type:\n"
        "  select mode: choose a folder; a list of the folders found opens, pick the ones to search.\n"
        "  remove mode: choose a folder; a list of the folders found opens, pick the ones to leave out.\n"
        "  drive mode: choose a volume (a mounted file system such as /) in place of a drive, then remove folders.\n"
        "  folder mode (Slide Show File Auto Search): choose a folder; everything below it is searched.\n"
        "The name MFC_DUMMY.JPG proposed in the folder dialogs is a dummy: only the folder you are in counts.",
        "Limits: when 150000 or more folders are found you choose to loop on or to stop; when one search\n"
        "finds 10000 or more files you choose Loop (overwrite, keep 10000), Cancel+Retry or Stop.\n"
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
        "The menus, the mouse and the keyboard keep working during a slide show or a write.\n"
        "The picture on screen can be saved from the File menu in the middle of a slide show.\n"
        "Runs of damaged JPEG files are handled: the show reports them and goes on.",
        "The cached JPEG files of a browser's temporary internet files folder can be searched, shown and\n"
        "written like any other pictures.\n"
        "At speed 0 or 1, browsing 10000 files and writing 10000 files go as fast as the machine allows.\n"
        "An output file whose name is already taken is written under a new name (up to 999 tries).",
        "Output size types: 0 shrink large / keep small, 1 unchanged (own size), 2 shrink large / enlarge\n"
        "small, 3 distort to the frame; 0, 2 and 3 write into a frame such as 800*600.\n"
        "Searches use folders and mounted volumes in place of drives and do not walk symbolic links to\n"
        "folders; batch writes also run from the command line: vantor --write OUTDIR ... PATH...",
        234);
    return t;
}

const DialogTemplate& AboutTemplate() {
    static const DialogTemplate t = [] {
        DialogTemplate about{IDD_ABOUTBOX, "About vantor", {
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
