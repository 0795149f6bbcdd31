#include "base/secret_keys.h"

#include <iterator>

#include "base/text_rules.h"

namespace rireve {
namespace {

// Kept in the order of the header's table.
constexpr std::string_view kSecretKeys[] = {
    "PWD", "PASSWORD", "PWD1", "PWD2", "PWD3", "PASSWORD1", "PASSWORD2", "PASSWORD3", "PASSCODE",
    "PRIV_KEY_FILE_PWD", "TOKEN", "AUTHTOKEN", "ACCESSTOKEN", "AUTH_ACCESSTOKEN", "AUTH_REFRESHTOKEN",
    "AUTH_CLIENT_SECRET", "REFRESHTOKEN", "CLIENTSECRET", "CLIENT_SECRET", "OAUTHACCESSTOKEN", "OAUTHREFRESHTOKEN",
    "OAUTHCLIENTSECRET", "SECRETKEY", "SECRETACCESSKEY", "SESSIONTOKEN", "SECURITYTOKEN", "KEYSTORESECRET",
    "SSLPASSWORD", "KEYSTOREPASSWORD", "TRUSTSTOREPASSWORD",
};

}  // namespace

std::vector<std::string_view> secretKeys() { return {std::begin(kSecretKeys), std::end(kSecretKeys)}; }

bool isSecretKey(std::string_view key) {
    for (std::string_view secret : kSecretKeys) {
        if (sameProfileName(trimBlanks(key), secret)) return true;
    }
    return false;
}

}  // namespace rireve
