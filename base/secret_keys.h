// The keys whose values are secrets: what every front end masks when it
// shows a data source's, driver's or file data source's entries, and what an
// audit of the configuration can look for. One list, here.
#pragma once

#include <string_view>
#include <vector>

namespace rireve {

// What a masked value prints as.
inline constexpr std::string_view kMaskedValue = "********";

// True when the key (ASCII letter case ignored, as ODBC keywords compare)
// is one that drivers read a secret from:
//   PWD, PASSWORD                        ODBC itself and nearly every driver
//   PWD1..3, PASSWORD1..3                MySQL Connector/ODBC's multi-factor passwords
//   PASSCODE                             Snowflake's multi-factor passcode
//   PRIV_KEY_FILE_PWD                    Snowflake's private key password
//   TOKEN, AUTHTOKEN, ACCESSTOKEN        Snowflake, Trino, Databricks and others
//   AUTH_ACCESSTOKEN, AUTH_REFRESHTOKEN, AUTH_CLIENT_SECRET   Simba drivers (Databricks, Spark)
//   REFRESHTOKEN, CLIENTSECRET, CLIENT_SECRET                 OAuth (Simba BigQuery, Redshift)
//   OAUTHACCESSTOKEN, OAUTHREFRESHTOKEN, OAUTHCLIENTSECRET    CData drivers
//   SECRETKEY, SECRETACCESSKEY, SESSIONTOKEN                  Amazon Athena and Redshift
//   SECURITYTOKEN                        Salesforce drivers
//   KEYSTORESECRET                       Microsoft's SQL Server driver (Always Encrypted)
//   SSLPASSWORD, KEYSTOREPASSWORD, TRUSTSTOREPASSWORD          certificate stores
bool isSecretKey(std::string_view key);

// The keys of the table above, in its order.
std::vector<std::string_view> secretKeys();

}  // namespace rireve
