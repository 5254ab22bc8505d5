// Encodes a file as base64 lines with the mail encoder, for bench/mail.sh to
// time against coreutils `base64 -w 76` on the same file.
// Usage: mail_base64_file SOURCE OUTPUT
#include <cstdio>

#include "mail/mime/content_encoders.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mail_base64_file SOURCE OUTPUT\n");
    return 2;
  }
  auto source = fennimar::File::OpenRead(argv[1]);
  auto output = fennimar::File::Create(argv[2]);
  if (!source || !output) return 1;
  fennimar::EncodeBase64(*source, *output);
  return output->Close() ? 0 : 1;
}
