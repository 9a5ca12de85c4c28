// Writes JPEG files straight through libjpeg, for the kinds the program never
// writes itself: other colour spaces, progressive, other sampling, restart markers.
#pragma once

#include <jpeglib.h>

#include <cstdlib>
#include <vector>

namespace vantor::test {

struct Writer {
    J_COLOR_SPACE in = JCS_RGB;
    int components = 3;
    bool progressive = false;
    bool adobeMarker = true;
    int lumaH = 0, lumaV = 0;  // the first component's sampling factors; 0 keeps the library's
    int restartRows = 0;       // a restart marker every so many MCU rows; 0 for none

    std::vector<unsigned char> Encode(const std::vector<unsigned char>& samples, unsigned width,
                                      unsigned height) const {
        jpeg_compress_struct c;
        jpeg_error_mgr err;
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        unsigned char* mem = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&c, &mem, &size);
        c.image_width = width;
        c.image_height = height;
        c.input_components = components;
        c.in_color_space = in;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 100, TRUE);
        if (lumaH != 0) c.comp_info[0].h_samp_factor = lumaH;
        if (lumaV != 0) c.comp_info[0].v_samp_factor = lumaV;
        c.restart_in_rows = restartRows;
        if (progressive) jpeg_simple_progression(&c);
        c.write_Adobe_marker = adobeMarker;
        jpeg_start_compress(&c, TRUE);
        for (unsigned y = 0; y < height; ++y) {
            JSAMPROW row = const_cast<JSAMPLE*>(samples.data() + std::size_t{y} * width * components);
            jpeg_write_scanlines(&c, &row, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
        std::vector<unsigned char> out(mem, mem + size);
        std::free(mem);
        return out;
    }
};

}  // namespace vantor::test
