#pragma once

#include <QByteArrayView>
#include <QIODevice>

#include <vector>

// Streams 8-bit text onto a device with every line ended by CR LF: each line
// break (CR LF, lone CR, lone LF) becomes CR LF, also when a CR LF pair is
// split between two writes, and Finish ends a last line that has none. So a
// text written in pieces gives the bytes of TStringList's SetText and Text.
// Output leaves in large pieces; a device that takes no more raises its
// error (WriteFully).
class TCrLfWriter {
public:
    explicit TCrLfWriter(QIODevice& device);

    void Write(QByteArrayView text);
    // Ends the last line and writes out what is still buffered.
    void Finish();

private:
    void Put(QByteArrayView bytes);
    void Flush();

    QIODevice& fDevice;
    std::vector<char> fBuffer;
    std::size_t fUsed = 0;
    bool fAfterCr = false;  // the text so far ends in CR: an LF next belongs to it
    bool fLineOpen = false; // the text so far ends in a line without its break
};
