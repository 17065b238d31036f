#include "netstream/Artwork.h"

#include <cctype>

#include "netstream/HttpClient.h"

namespace {

std::string Lower(const std::string& text) {
  std::string lower = text;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

}  // namespace

std::string ArtworkAddress(const std::string& streamUrl) {
  std::string address = streamUrl.substr(0, streamUrl.find(" #"));
  const size_t playlist = Lower(address).find("listen.pls");
  if (playlist != std::string::npos) {
    return address.replace(playlist, std::string("listen.pls").size(), "playingart");
  }
  if (address.empty()) return "";
  const char last = address.back();
  const bool endsWithSlash = last == '/' || last == '\\';
  if (!endsWithSlash && !std::isdigit(static_cast<unsigned char>(last))) return "";
  if (!endsWithSlash) address += '/';
  return address + "playingart?sid=1";
}

bool FetchArtwork(const std::string& address, std::vector<uint8_t>& picture) {
  try {
    std::unique_ptr<THTTPClient> client = CreateHTTPClient();
    THTTPEventClass::AttachLimit(*client, kArtworkLimitBytes);
    THTTPEventClass::AttachLengthRequired(*client);
    const std::string body = client->Get(address);
    picture.assign(body.begin(), body.end());
    return true;
  } catch (const EHTTPClientError&) {
    return false;
  }
}
