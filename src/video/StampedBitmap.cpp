#include "video/StampedBitmap.h"

#include "common/strings/VideoStrings.h"
#include "video/FrameSize.h"
#include "common/SystemError.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace korvex {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The frame as a QImage over its own bits (no copy), still bottom-up.
QImage WrapFrame(const DibFormat& format, std::span<const uint8_t> bits) {
    const int width = format.Width();
    const int height = format.Height();
    const auto rowBytes = static_cast<qsizetype>(DibRowBytes(width, format.BitCount()));
    switch (format.BitCount()) {
        case 8: {
            QImage image(bits.data(), width, height, rowBytes, QImage::Format_Indexed8);
            QList<QRgb> table(256, qRgb(0, 0, 0));
            const auto colours = format.ColourTable();
            for (size_t i = 0; i < colours.size() && i < 256; ++i) {
                table[static_cast<qsizetype>(i)] =
                    qRgb(colours[i].red, colours[i].green, colours[i].blue);
            }
            image.setColorTable(table);
            return image;
        }
        case 16:
            return QImage(bits.data(), width, height, rowBytes, QImage::Format_RGB555);
        case 24:
            return QImage(bits.data(), width, height, rowBytes, QImage::Format_BGR888);
        case 32:
            return QImage(bits.data(), width, height, rowBytes, QImage::Format_RGB32);
        default:
            return {};
    }
}

void PutLe16(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, 2);
}
void PutLe32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

}  // namespace

QString StampCaption(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    return QString::asprintf("%s %s %02d %02d:%02d:%02d %02d", kDays[local.tm_wday % 7],
                             kMonths[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min,
                             local.tm_sec, (local.tm_year + 1900) % 100);
}

bool WriteStampedBitmap(const QString& path, const DibFormat& format, std::span<const uint8_t> bits,
                        std::time_t time, UserPrompt& prompt) {
    if (format.IsEmpty() || !IsBasicRgb(format.Header()) || !PlausibleFrameSize(format.Header()) ||
        bits.size() < static_cast<size_t>(format.ImageBytes())) {
        return false;
    }
    const int width = format.Width();
    const int height = format.Height();
    const QImage frame = WrapFrame(format, bits).mirrored(false, true);
    QImage stamped(width, height + kStampHeight, QImage::Format_RGB32);
    if (frame.isNull() || stamped.isNull()) {
        prompt.Message(Str(IDS_OUT_OF_MEMORY_CLOSE_APPS), PromptIcon::Error);
        return false;
    }
    stamped.fill(QColor(192, 192, 192));
    {
        QPainter painter(&stamped);
        painter.drawImage(0, 0, frame);
        painter.setPen(Qt::black);
        painter.setFont(QGuiApplication::font());
        painter.drawText(QRect(0, height + 2, width, kStampHeight - 2),
                         Qt::AlignLeft | Qt::AlignTop, StampCaption(time));
    }

    const int64_t rowBytes = DibRowBytes(width, 24);
    const int totalHeight = height + kStampHeight;
    const auto imageBytes = static_cast<uint32_t>(rowBytes * totalHeight);
    uint8_t headers[54] = {};
    headers[0] = 'B';
    headers[1] = 'M';
    PutLe32(headers + 2, 54 + imageBytes);
    PutLe32(headers + 10, 54);
    BitmapInfoHeader info;
    info.biWidth = width;
    info.biHeight = totalHeight;
    info.biBitCount = 24;
    info.biSizeImage = imageBytes;
    std::memcpy(headers + 14, &info, sizeof info);
    PutLe16(headers + 26, 1);

    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.toLocal8Bit().constData(), "wb"));
    bool written = file != nullptr;
    written = written && std::fwrite(headers, 1, sizeof headers, file.get()) == sizeof headers;
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes), 0);
    for (int y = totalHeight - 1; written && y >= 0; --y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(stamped.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<uint8_t>(qBlue(pixels[x]));
            row[3 * x + 1] = static_cast<uint8_t>(qGreen(pixels[x]));
            row[3 * x + 2] = static_cast<uint8_t>(qRed(pixels[x]));
        }
        written = std::fwrite(row.data(), 1, row.size(), file.get()) == row.size();
    }
    if (file) {
        written = std::fclose(file.release()) == 0 && written;
    }
    if (!written) {
        const int error = errno;
        prompt.Message(Str(IDS_FILE_OPEN_WRITE_FAILED), PromptIcon::Error);
        ShowSystemError(prompt, error);
    }
    return written;
}

}  // namespace korvex
