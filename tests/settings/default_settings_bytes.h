// The settings file a first start writes, built field by field independently
// of the encoder (shared by the settings tests).
#pragma once
#include <string>

#include "platform/files.h"

// The default file, written out field by field independently of the encoder.
inline Bytes DefaultFileBytes() {
    Bytes b;
    auto s16 = [&](int v) {
        b.push_back(uint8_t(v & 0xFF));
        b.push_back(uint8_t((v >> 8) & 0xFF));
    };
    auto ch = [&](const char* text) {
        for (const char* p = text; *p; ++p) b.push_back(uint8_t(*p));
    };
    auto card = [&](const std::string& text) {
        std::string c = text;
        c.resize(80, ' ');
        ch(c.c_str());
    };
    s16(0);          // autosave counter
    s16(0);          // UT offset
    ch("1");         // com port
    s16(0);
    s16(8);          // mask radius
    s16(1);
    ch("l0");        // background, focus delay
    s16(2);
    s16(2);
    s16(0);
    s16(0);
    ch("1n1");       // ignore drift, drive method, camera option
    s16(0);
    s16(0);
    ch("nsewnnn");   // guide letters, three auto stretches
    s16(4);
    ch("nn");
    s16(3);
    s16(1);
    ch("nn");        // remove background, field 28
    card("OBJECT  = ''");
    card("TELESCOP= ''");
    card("INSTRUME= 'Korvane CCD'");
    card("OBSERVER= ''");
    card("ORIGIN  = ''");
    const std::string emptyPiece = std::string(68, ' ') + "'";
    for (int k = 0; k < 4; ++k) card("HISTORY = '" + emptyPiece);
    for (int k = 0; k < 4; ++k) card("COMMENT = '" + emptyPiece);
    card("FILTER  = 'None'");
    for (int i = 0; i < 16; ++i) b.push_back(0);  // aperture, focal length
    ch("yy");        // unsigned format, interface details
    b.push_back(0);  // empty autosave directory: NUL, then 99 spaces
    for (int i = 0; i < 99; ++i) b.push_back(' ');
    for (int v : {6, 6, 0, 0, 0, 0}) s16(v);
    ch("yn");        // ignore backlash, filter wheel
    s16(0);          // angle
    ch("y");
    s16(7);
    for (const char* name : {"Blank", "Filter 2", "Filter 3", "Filter 4", "Filter 5", "Filter 6", "Filter 7",
                             "Filter 8"}) {
        const size_t start = b.size();
        ch(name);
        b.resize(start + 10, 0);
    }
    ch("nnnn");      // 60-63
    for (int i = 0; i < 4; ++i) s16(6);
    ch("n");
    s16(0);
    ch("Tnsewny");   // guiding mode, AO letters, AO available, half rate
    s16(0);
    ch("NSTWnn");    // bump letters, 82, 83
    s16(0);
    ch("nnn");
    s16(1000);
    ch("n");
    s16(4);
    ch("0126");
    b.push_back(0);
    ch("ysnnn");
    return b;
}
