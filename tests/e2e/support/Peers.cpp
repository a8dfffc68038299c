// SPDX-License-Identifier: GPL-3.0-or-later
#include "Peers.h"

#include "ChildProcess.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace e2e {

std::filesystem::path FindProgram(std::string_view name) {
  std::string dirs = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  dirs += ":/usr/local/sbin:/usr/sbin:/sbin:/usr/bin:/bin";
  std::stringstream split(dirs);
  for (std::string dir; std::getline(split, dir, ':');) {
    if (dir.empty()) {
      continue;
    }
    const std::filesystem::path candidate = std::filesystem::path(dir) / name;
    if (::access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate)) {
      return candidate;
    }
  }
  throw std::runtime_error("peer program '" + std::string(name) +
                           "' is not installed; run scripts/install-deps (it installs every "
                           "peer the end-to-end tests need)");
}

TTlsFiles MakeSelfSignedCertificate(const std::filesystem::path& folder) {
  TTlsFiles files{folder / "cert.pem", folder / "key.pem"};
  const std::filesystem::path log = folder / "openssl-req.log";
  TChildProcess openssl(TSpawnOptions{
      .Argv = {FindProgram("openssl").string(), "req", "-x509", "-newkey", "ec", "-pkeyopt",
               "ec_paramgen_curve:prime256v1", "-nodes", "-subj", "/CN=localhost", "-addext",
               "subjectAltName=DNS:localhost,IP:127.0.0.1", "-days", "1", "-keyout",
               files.Key.string(), "-out", files.Certificate.string()},
      .StdoutPath = log,
      .StderrPath = log,
  });
  const auto exit = openssl.WaitExit(std::chrono::seconds(30));
  if (!exit || !exit->Exited || exit->Code != 0) {
    openssl.Stop();
    throw std::runtime_error("openssl req failed: " + openssl.ReadStderr());
  }
  return files;
}

std::string NginxConfig(const TNginxSite& site) {
  const std::string p = site.Prefix.string();
  const std::string listen = site.ListenIP.find(':') == std::string::npos
                                 ? site.ListenIP + ":"
                                 : "[" + site.ListenIP + "]:";
  std::ostringstream c;
  c << "daemon off;\n"
    << "master_process off;\n"
    << "worker_processes 1;\n"
    << "pid " << p << "/nginx.pid;\n"
    << "error_log " << p << "/error.log warn;\n"
    << "events { worker_connections 512; }\n"
    << "http {\n"
    << "  access_log " << p << "/access.log;\n"
    << "  client_body_temp_path " << p << "/client_body;\n"
    << "  proxy_temp_path " << p << "/proxy;\n"
    << "  fastcgi_temp_path " << p << "/fastcgi;\n"
    << "  uwsgi_temp_path " << p << "/uwsgi;\n"
    << "  scgi_temp_path " << p << "/scgi;\n"
    << "  types {\n"
    << "    text/html html;\n"
    << "    text/plain txt;\n"
    << "    application/javascript js;\n"
    << "    application/octet-stream bin exe swf cab ocx;\n"
    << "  }\n"
    << "  default_type application/octet-stream;\n"
    << "  sendfile on;\n"
    << "  server {\n"
    << "    listen " << listen << site.HttpPort << ";\n";
  if (site.HttpsPort) {
    c << "    listen " << listen << *site.HttpsPort << " ssl;\n"
      << "    ssl_certificate " << site.Tls.Certificate.string() << ";\n"
      << "    ssl_certificate_key " << site.Tls.Key.string() << ";\n";
  }
  c << "    server_name localhost;\n"
    << "    root " << site.Root.string() << ";\n"
    << site.ServerDirectives << "  }\n"
    << "}\n";
  return c.str();
}

} // namespace e2e
