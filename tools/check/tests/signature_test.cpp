// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The signature line of pellasto-check: who signed a PE file, read from its
// security directory and the PKCS#7 there, and nothing worse than
// "unreadable" from a file whose signature is cut short or lies about its
// sizes.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "hostside/module.h"
#include "tools/check/src/image.h"

namespace {

// A DER element: tag, definite length, contents.
std::string der(unsigned char tag, const std::string& contents) {
  std::string e(1, static_cast<char>(tag));
  const std::size_t n = contents.size();
  if (n < 0x80) {
    e += static_cast<char>(n);
  } else if (n < 0x100) {
    e += "\x81";
    e += static_cast<char>(n);
  } else {
    e += "\x82";
    e += static_cast<char>(n >> 8);
    e += static_cast<char>(n & 0xff);
  }
  return e + contents;
}

std::string seq(const std::string& contents) { return der(0x30, contents); }

// A name of one common name (2.5.4.3) and, if given, an organisation (2.5.4.10).
std::string name(const std::string& cn, const std::string& o = "") {
  std::string rdns = der(0x31, seq(der(0x06, "\x55\x04\x03") + der(0x0c, cn)));
  if (!o.empty()) {
    rdns += der(0x31, seq(der(0x06, "\x55\x04\x0a") + der(0x13, o)));
  }
  return seq(rdns);
}

const std::string kAlgorithm = seq(der(0x06, "\x2a\x86\x48\x86\xf7\x0d\x01\x01\x0b"));

std::string certificate(const std::string& serial, const std::string& issuer,
                        const std::string& subject) {
  const std::string tbs =
      seq(der(0xa0, der(0x02, "\x02")) + der(0x02, serial) + kAlgorithm + issuer +
          seq(der(0x17, "260101000000Z") + der(0x17, "270101000000Z")) + subject);
  return seq(tbs + kAlgorithm + der(0x03, std::string("\0\x01", 2)));
}

// A PKCS#7 SignedData as Authenticode writes it: the signer named by issuer
// and serial number, and the certificates it carries.
std::string signed_data(const std::string& certificates, const std::string& issuer,
                        const std::string& serial) {
  const std::string signer = seq(der(0x02, "\x01") + seq(issuer + der(0x02, serial)) +
                                 kAlgorithm + kAlgorithm + der(0x04, "signature"));
  const std::string data =
      seq(der(0x02, "\x01") + der(0x31, kAlgorithm) +
          seq(der(0x06, "\x2b\x06\x01\x04\x01\x82\x37\x02\x01\x04")) +
          (certificates.empty() ? "" : der(0xa0, certificates)) + der(0x31, signer));
  return seq(der(0x06, "\x2a\x86\x48\x86\xf7\x0d\x01\x07\x02") + der(0xa0, data));
}

void put32(std::string* s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) {
    (*s)[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xff);
  }
}

// A PE32 header whose security directory holds one WIN_CERTIFICATE record
// with `blob` (none if empty), at offset 0x200. `directory_size` 0 means the
// record's own size.
std::string pe_with(const std::string& blob, std::uint32_t directory_size = 0) {
  std::string h(0x200, '\0');
  h[0] = 'M';
  h[1] = 'Z';
  put32(&h, 0x3c, 0x80);
  h.replace(0x80, 4, std::string("PE\0\0", 4));
  h[0x84] = 0x4c;  // i386
  h[0x85] = 0x01;
  h[0x98] = 0x0b;  // PE32
  h[0x99] = 0x01;
  put32(&h, 0xf4, 16);  // NumberOfRvaAndSizes
  if (blob.empty()) {
    return h;
  }
  std::string record(8, '\0');
  put32(&record, 0, static_cast<std::uint32_t>(8 + blob.size()));
  record[5] = 0x02;  // revision 2.0
  record[6] = 0x02;  // WIN_CERT_TYPE_PKCS_SIGNED_DATA
  record += blob;
  put32(&h, 0xf8 + 32, 0x200);
  put32(&h, 0xf8 + 36,
        directory_size != 0 ? directory_size : static_cast<std::uint32_t>(record.size()));
  return h + record;
}

// Each test writes a file of its own: ctest runs them side by side.
std::string signature_of(const std::string& bytes) {
  const std::string path =
      hostside::program_dir() + "/signature-" +
      ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".bin";
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return check::read_image(path).signature;
}

const std::string kRoot = name("Test Root");
const std::string kSigner = name("Studio \x01Signing", "Studio Ltd");

TEST(CheckSignature, TheSignerIsTheCertificateTheSignerInfoNames) {
  // The CA's certificate comes first and has another serial: not the signer.
  const std::string certificates =
      certificate("\x01", kRoot, kRoot) + certificate("\x2a", kRoot, kSigner);
  EXPECT_EQ(signature_of(pe_with(signed_data(certificates, kRoot, "\x2a"))),
            "signed by CN=Studio ?Signing, O=Studio Ltd");
  // Same serial, other issuer: not that one either.
  const std::string other = certificate("\x2a", name("Other CA"), name("Impostor"));
  EXPECT_EQ(signature_of(pe_with(signed_data(other + certificates, kRoot, "\x2a"))),
            "signed by CN=Studio ?Signing, O=Studio Ltd");
  EXPECT_EQ(signature_of(
                pe_with(signed_data(certificate("\x01", kRoot, kRoot), kRoot, "\x2a"))),
            "signed, but the signer's certificate is not in the signature (issued by "
            "CN=Test Root)");
  EXPECT_EQ(signature_of(pe_with(signed_data("", kRoot, "\x2a"))),
            "signed, but the signer's certificate is not in the signature (issued by "
            "CN=Test Root)");
}

TEST(CheckSignature, NoDirectoryIsNoneAndABadOneIsUnreadable) {
  EXPECT_EQ(signature_of(pe_with("")), "none");
  const std::string blob =
      signed_data(certificate("\x2a", kRoot, kSigner), kRoot, "\x2a");
  // The directory reaches past the end of the file.
  EXPECT_EQ(signature_of(pe_with(blob, 0x10000)),
            "unreadable: the security directory points past the end of the file");
  // Not PKCS#7 at all.
  EXPECT_EQ(signature_of(pe_with(std::string(40, 'x'))),
            "unreadable: not a PKCS#7 signature");
  // Another content type than signed data.
  std::string enveloped = blob;
  enveloped[enveloped.find("\x01\x07\x02") + 2] = 0x03;
  EXPECT_EQ(signature_of(pe_with(enveloped)), "unreadable: not a PKCS#7 signature");
  // A record type other than PKCS#7.
  std::string x509 = pe_with(blob);
  x509[0x206] = 0x01;
  EXPECT_EQ(signature_of(x509),
            "unreadable: a certificate record of type 1, not a PKCS#7 signature");
}

TEST(CheckSignature, EveryCutOrWrongLengthGivesAnAnswerAndNoRead) {
  const std::string blob =
      signed_data(certificate("\x01", kRoot, kRoot) + certificate("\x2a", kRoot, kSigner),
                  kRoot, "\x2a");
  // Cut short anywhere, the record and directory saying so: never the
  // signer, never a read past the blob.
  for (std::size_t n = 1; n < blob.size(); ++n) {
    EXPECT_EQ(signature_of(pe_with(blob.substr(0, n))),
              "unreadable: not a PKCS#7 signature")
        << n << " bytes";
  }
  // Each byte made a long length, a huge one or zero in turn (the sanitizer
  // builds see any read outside the blob).
  for (std::size_t at = 0; at < blob.size(); ++at) {
    for (char wrong : {'\x84', '\xff', '\x00'}) {
      std::string bad = blob;
      bad[at] = wrong;
      const std::string s = signature_of(pe_with(bad));
      EXPECT_FALSE(s.empty()) << at;
    }
  }
}

}  // namespace
