#pragma once

#include <QByteArray>
#include <QString>

// Frames as the camera sends them, for tests that play the camera. Built by
// hand, apart from src/protocol, so the decoder is tested against bytes that
// its own encoders did not write.

// "FF FE 0A" -> the three bytes; spaces are ignored.
QByteArray hex_bytes(const char *text);

// What the receiver keeps of a wire frame: without its first and last byte.
QByteArray collected_frame(const QByteArray &wire);

struct PositionBytes {
    int x_sign = 0;
    int x_tenths = 0; // 24-bit magnitude
    int y_sign = 0;
    int y_tenths = 0; // 24-bit magnitude
    int rotation_tenths = 0;
    int attitude_x_sign = 0;
    int attitude_x_hundredths = 0;
    int attitude_y_sign = 0;
    int attitude_y_hundredths = 0;
    int check_offset = 0; // added to the correct check byte
};

// The 22-byte position report.
QByteArray position_bytes(const PositionBytes &fields);

// A position report for (x, y) and a rotation angle, to a tenth.
QByteArray position_bytes_at(double x, double y, double angle);

struct CodeListBytes {
    int id = 0;
    int first_sign = 0;
    int first_tenths = 0;
    int second_sign = 0;
    int second_tenths = 0;
    int third_tenths = 0;
    int check_offset = 0;
};

// The code list report of the given entries (at most 127).
QByteArray code_list_bytes(const QList<CodeListBytes> &entries);
