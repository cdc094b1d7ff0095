// An audio file read or written through libsndfile, closed on destruction.
#pragma once

#include <cstdint>
#include <string>

#include <sndfile.h>

namespace render {

class SoundFile {
 public:
  SoundFile() = default;
  ~SoundFile();
  SoundFile(const SoundFile&) = delete;
  SoundFile& operator=(const SoundFile&) = delete;

  // Each returns an empty string or a one-line error naming the path.
  std::string openRead(const std::string& path);
  // Float samples beyond +-1 are clipped when the format is integer PCM.
  std::string openWrite(const std::string& path, int format, int channels, int sampleRate);

  int channels() const { return info_.channels; }
  int sampleRate() const { return info_.samplerate; }
  int64_t frames() const { return info_.frames; }
  int format() const { return info_.format; }

  // Interleaved frames. read() returns the number read, 0 at the end; error is set on a
  // read failure.
  int64_t read(float* interleaved, int64_t frames, std::string& error);
  std::string write(const float* interleaved, int64_t frames);
  // Flushes and closes; reports a failure to finish the file.
  std::string close();

  // The libsndfile format for writing to `path`: major format from the extension (.wav,
  // .flac, .aif, .aiff), the input's sample format when that combination is valid, else
  // 24-bit PCM. The whole input format is kept when the major format is the same.
  static std::string formatFor(const std::string& path, int inputFormat, int channels,
                               int sampleRate, int& format);

 private:
  SNDFILE* file_ = nullptr;
  SF_INFO info_{};
  std::string path_;
};

}  // namespace render
