// The view's file loaders: the only way a file becomes the current picture.
#include "platform/Ui.h"
#include "viewer/CVantorView.h"

namespace vantor {

void CVantorView::LoadJpegFile(const std::string& path) {
    (void)path;
    m_buf.reset();
    ++m_bufGeneration;
}

void CVantorView::LoadBmpFile(const std::string& path) {
    (void)path;
    m_buf.reset();
    ++m_bufGeneration;
}

void CVantorView::LoadGifFile(const std::string& path) {
    (void)path;
    m_buf.reset();
    ++m_bufGeneration;
    AfxMessageBox("No GIF support");
}

void CVantorView::SaveBmpFile(const std::string& path) { (void)path; }

}  // namespace vantor
