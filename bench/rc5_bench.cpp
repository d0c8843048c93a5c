// RC5 throughput on one core, the cost of enciphering and deciphering picture packages.
#include "bench_support.h"
#include "store/rc5.h"

int main() {
    constexpr size_t kBytes = 64u << 20;
    const unsigned char key[Rc5::kKeyBytes] = {0x91, 0x5F, 0x46, 0x19, 0xBE, 0x41, 0xB2, 0x51,
                                               0x63, 0x55, 0xA5, 0x01, 0x10, 0xA9, 0xCE, 0x91};
    Rc5 rc5(key, sizeof key);
    Bytes buffer(kBytes);
    for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<unsigned char>(i * 131 + (i >> 9));
    const size_t blocks = buffer.size() / Rc5::kBlockBytes;
    const double megabytes = static_cast<double>(kBytes) / (1 << 20);

    double encipherMs = MedianMs(5, [&] { rc5.EncipherBlocks(buffer.data(), blocks); });
    double decipherMs = MedianMs(5, [&] { rc5.DecipherBlocks(buffer.data(), blocks); });
    Report("rc5 encipher", megabytes / (encipherMs / 1000), "MB/s");
    Report("rc5 decipher", megabytes / (decipherMs / 1000), "MB/s");

    // The copying forms, which also pay for a fresh buffer each time.
    Bytes plain(buffer.begin(), buffer.begin() + (16u << 20));
    Bytes cipher;
    double copyEncipherMs = MedianMs(5, [&] { cipher = rc5.Encipher(plain); });
    double copyDecipherMs = MedianMs(5, [&] { plain = rc5.Decipher(cipher); });
    Report("rc5 Encipher (copying, 16 MB)", 16 / (copyEncipherMs / 1000), "MB/s");
    Report("rc5 Decipher (copying, 16 MB)", 16 / (copyDecipherMs / 1000), "MB/s");
    return plain.size() == cipher.size() ? 0 : 1;
}
