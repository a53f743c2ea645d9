// Shared pieces of the libFuzzer harnesses: a Qt application for the classes
// that need one, a check that makes libFuzzer keep the input, and a reader
// that takes typed values off the front of the input.
#pragma once
#include <QByteArray>
#include <QApplication>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

inline void FuzzQtApp()
{
    static int argc = 1;
    static char arg0[] = "fuzz";
    static char *argv[] = {arg0, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
}

// A broken promise of the code under test: abort, so libFuzzer saves the input.
#define FUZZ_CHECK(Cond)                                                                                      \
    do {                                                                                                      \
        if (!(Cond)) {                                                                                        \
            std::fprintf(stderr, "check failed: %s (%s:%d)\n", #Cond, __FILE__, __LINE__);                   \
            std::abort();                                                                                     \
        }                                                                                                     \
    } while (0)

class TFuzzInput
{
public:
    TFuzzInput(const uint8_t *Data, size_t Size) : FData(Data), FSize(Size) {}
    bool Empty() const { return FPos >= FSize; }
    uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }
    template<class T>
    T Value()
    {
        T v{};
        const size_t n = std::min(sizeof v, FSize - FPos);
        std::memcpy(&v, FData + FPos, n);
        FPos += n;
        return v;
    }
    // Bytes up to the next zero byte (or the end), as UTF-8 text.
    QString Text()
    {
        const size_t start = FPos;
        while (FPos < FSize && FData[FPos] != 0)
            ++FPos;
        const QString s = QString::fromUtf8(reinterpret_cast<const char *>(FData + start), qsizetype(FPos - start));
        if (FPos < FSize)
            ++FPos;
        return s;
    }
    QByteArray Rest()
    {
        const QByteArray r(reinterpret_cast<const char *>(FData + FPos), qsizetype(FSize - FPos));
        FPos = FSize;
        return r;
    }

private:
    const uint8_t *FData;
    size_t FSize;
    size_t FPos = 0;
};
