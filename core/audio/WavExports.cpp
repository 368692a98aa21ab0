#include "core/audio/WavExports.h"

#include "core/audio/WaveFile.h"
#include "core/audio/WaveFrames.h"
#include "core/common/NumberText.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace kaldorium {

namespace {

// A text file written through one fixed buffer; a failed write or close is remembered.
class TextOutput {
public:
    explicit TextOutput(const std::string &path) : file(std::fopen(path.c_str(), "wb")) {}
    ~TextOutput() { Close(); }
    TextOutput(const TextOutput &) = delete;
    TextOutput &operator=(const TextOutput &) = delete;

    bool IsOpen() const { return file != nullptr; }

    void Append(std::string_view text) {
        if (used + text.size() > sizeof buffer) {
            Flush();
        }
        if (text.size() > sizeof buffer) {
            Write(text.data(), text.size());
            return;
        }
        std::copy(text.begin(), text.end(), buffer + used);
        used += text.size();
    }

    // printf's "%<width>lf".
    void AppendFixed(double value, int width) {
        if (used + PrintfFixedCapacity + static_cast<std::size_t>(width) > sizeof buffer) {
            Flush();
        }
        char *end = WritePrintfFixed(buffer + used, value, width, 6);
        used = static_cast<std::size_t>(end - buffer);
    }

    void Rule(std::size_t width) {
        Append(std::string(width, '='));
        Append("\r\n");
    }

    // False when anything written did not reach the file.
    bool Close() {
        if (file == nullptr) {
            return !failed;
        }
        Flush();
        if (std::fclose(file) != 0) {
            failed = true;
        }
        file = nullptr;
        return !failed;
    }

private:
    void Flush() {
        Write(buffer, used);
        used = 0;
    }
    void Write(const char *data, std::size_t n) {
        if (n > 0 && std::fwrite(data, 1, n, file) != n) {
            failed = true;
        }
    }

    std::FILE *file;
    bool failed = false;
    char buffer[1 << 16];
    std::size_t used = 0;
};

std::string Fixed(double value) {
    char text[PrintfFixedCapacity];
    return std::string(text, WritePrintfFixed(text, value, 0, 6));
}

} // namespace

std::string ExportFailureText(ExportResult result, const std::string &outputPath,
                              const std::string &inputPath) {
    switch (result) {
    case ExportResult::CannotCreate:
        return "Could not create the output file " + outputPath;
    case ExportResult::WriteFailed:
        return "Could not write the output file " + outputPath;
    case ExportResult::ReadFailed:
        return "Could not read all the samples of the input file " + inputPath;
    default:
        return std::string();
    }
}

std::string SuggestedSpectrumFileName(const std::string &inputPath) {
    const std::size_t slash = inputPath.find_last_of('/');
    std::string name = slash == std::string::npos ? inputPath : inputPath.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    return name + ".DFT";
}

ExportResult WriteSpectrumFile(const std::string &path, const SpectrumAnalysis &analysis,
                               const std::string &inputFile, const std::string &windowName) {
    TextOutput out(path);
    if (!out.IsOpen()) {
        return ExportResult::CannotCreate;
    }
    const std::string kind = analysis.fft ? "FFT" : "DFT";
    const std::uint32_t fs = analysis.sampleRate;
    const double Ts = fs > 0 ? 1.0 / static_cast<double>(fs) : 0.0;
    out.Append("Data From The KALDOR Program: WAV File Spectral Analysis\r\n");
    out.Rule(56);
    out.Append("WAV FileData: Name = " + inputFile + "\r\n");
    out.Rule(63);
    out.Append("Sample Rate = " + std::to_string(fs) + "   Ts = " + Fixed(Ts) +
               "  Total Samples = " + std::to_string(analysis.sampleCount) + "  \r\n");
    out.Append("Maximum Frequency = " + std::to_string(fs / 2) + "   " + kind +
               " Samples = " + std::to_string(analysis.N) + "  Window=" + windowName + "\r\n");
    out.Rule(63);
    out.Append("         Frequency               " + kind + "\r\n");
    out.Rule(63);
    if (analysis.N > 0) {
        // df = fs/N, in floating point.
        const double df = static_cast<double>(fs) / analysis.N;
        for (int i = 0; i < analysis.N / 2; ++i) {
            out.AppendFixed(i * df, 20);
            out.AppendFixed(analysis.magnitudes[static_cast<std::size_t>(i)], 20);
            out.Append("\r\n");
        }
    }
    return out.Close() ? ExportResult::Done : ExportResult::WriteFailed;
}

ExportResult WriteRawSamples(WaveFile &input, const std::string &inputFile, const std::string &path,
                             const Progress &progress) {
    TextOutput out(path);
    if (!out.IsOpen()) {
        return ExportResult::CannotCreate;
    }
    const long long S = SampleCountOf(input);
    const std::uint32_t fs = input.sampleRate;
    const double seconds =
        input.byteRate == 0 ? 0.0 : static_cast<double>(input.dataBytes) / input.byteRate;
    out.Append("Raw Samples form:" + inputFile + "\r\n");
    out.Rule(36);
    out.Append("Channels=" + std::to_string(input.channels) + "   Samples/Sec=" +
               std::to_string(fs) + "   Bytes/Sample=" + std::to_string(input.blockAlign) +
               "   Total Samples=" + std::to_string(S) + ", Seconds=" + Fixed(seconds) + "\r\n");
    out.Rule(93);
    out.Append("Time(millisecs)\t\tChannel 1\t\tChannel 2\r\n");
    out.Rule(93);

    // t grows by (1/fs)·1000 per frame, summed.
    const double step = fs > 0 ? (1.0 / static_cast<double>(fs)) * 1000.0 : 0.0;
    double t = 0.0;
    bool readFailed = false;
    for (long long k = 0; k < S; ++k) {
        out.AppendFixed(t, 15);
        out.Append("\t");
        for (int c = 0; c < input.channels; ++c) {
            float value = 0.0f;
            if (!input.ReadValue(value)) {
                readFailed = true;
            }
            out.AppendFixed(static_cast<double>(value), 15);
            out.Append("\t");
        }
        out.Append("\r\n");
        t += step;
        if (readFailed) {
            break;
        }
        if ((k + 1) % RawSamplesFramesPerBlock == 0 &&
            !Report(progress, (k + 1) / RawSamplesFramesPerBlock,
                    (S + RawSamplesFramesPerBlock - 1) / RawSamplesFramesPerBlock)) {
            out.Close();
            return ExportResult::Stopped;
        }
    }
    if (!out.Close()) {
        return ExportResult::WriteFailed;
    }
    return readFailed ? ExportResult::ReadFailed : ExportResult::Done;
}

ExportResult CopyWaveFile(WaveFile &input, const std::string &path) {
    WaveFile output;
    output.TakeFormatOf(input);
    if (!output.CreateForWriting(path)) {
        const bool created = output.IsWriting();
        output.CloseFile();
        return created ? ExportResult::WriteFailed : ExportResult::CannotCreate;
    }
    if (!output.AppendSamplesOf(input)) {
        const std::string_view error = output.LastError() ? output.LastError() : "";
        output.CloseFile();
        return error == "Error reading samples from input file" ? ExportResult::ReadFailed
                                                                : ExportResult::WriteFailed;
    }
    return output.CloseFile() ? ExportResult::Done : ExportResult::WriteFailed;
}

} // namespace kaldorium
