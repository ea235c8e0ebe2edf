# Code signing. The shipped programs are signed in the build tree, right after
# they are stripped (trk_ship), so the files the Wine tests run are the files
# `cmake --install` lays out; the package is signed when it is packed.
#
#   TRK_SIGN_PFX        the certificate (PKCS#12); its password comes from the
#                       environment variable TRK_SIGN_PASSWORD, at configure
#                       time and at build time. Empty: a throw-away self-signed
#                       certificate, made once in <build>/signing/.
#   TRK_PUBLISHER       the package's Publisher: exactly the certificate's subject.
#   TRK_SIGN_TIMESTAMP  an RFC 3161 time-stamp server for a release; empty: none.
#
# Sets TRK_SIGN_COMMAND (append the file to sign), TRK_SIGN_CERTIFICATE (the
# PKCS#12 file in use), TRK_SIGN_ANCHOR (what the tests trust) and
# TRK_SIGN_LEAF_HASH (the SHA-256 of the signer's certificate).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(TRK_OSSLSIGNCODE osslsigncode REQUIRED)
find_program(TRK_OPENSSL openssl REQUIRED)

set(TRK_SIGN_PFX "" CACHE FILEPATH "Code-signing certificate (PKCS#12); empty: a throw-away test certificate")
set(TRK_SIGN_TIMESTAMP "" CACHE STRING "RFC 3161 time-stamp server for a release's signatures; empty: none")
set(TRK_TEST_SIGNER "Tracklet test certificate - not for release")
set(TRK_PUBLISHER "CN=${TRK_TEST_SIGNER}" CACHE STRING "The package's Publisher: the signing certificate's subject, exactly")

set(TRK_SIGNING_SCRIPT ${CMAKE_SOURCE_DIR}/package/signing.py)
if(TRK_SIGN_PFX)
  if(NOT EXISTS "${TRK_SIGN_PFX}")
    message(FATAL_ERROR "TRK_SIGN_PFX: ${TRK_SIGN_PFX} does not exist")
  endif()
  set(TRK_SIGN_CERTIFICATE ${TRK_SIGN_PFX})
  set(password_option --password-from-env)
  set(TRK_SIGN_ANCHOR "/etc/ssl/certs/ca-certificates.crt" CACHE FILEPATH "Trust anchors for the signature tests")
else()
  set(dir ${CMAKE_BINARY_DIR}/signing)
  set(TRK_SIGN_CERTIFICATE ${dir}/test-signing.pfx)
  if(NOT EXISTS ${TRK_SIGN_CERTIFICATE})
    execute_process(COMMAND ${Python3_EXECUTABLE} ${TRK_SIGNING_SCRIPT} make-test-cert ${dir} ${TRK_TEST_SIGNER}
      RESULT_VARIABLE rc ERROR_VARIABLE err)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "Could not make the test signing certificate: ${err}")
    endif()
    message(STATUS "Signing with a throw-away test certificate: ${TRK_SIGN_CERTIFICATE}")
  endif()
  set(password_option "")
  set(TRK_SIGN_ANCHOR ${dir}/test-signing.pem)
endif()

# Windows refuses a package whose Publisher is not its signer's subject, so a
# mismatch stops the build here rather than on the user's machine.
execute_process(COMMAND ${Python3_EXECUTABLE} ${TRK_SIGNING_SCRIPT} publisher ${TRK_SIGN_CERTIFICATE} ${password_option}
  OUTPUT_VARIABLE subject RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "Cannot read the signing certificate: ${err}")
endif()
if(NOT subject STREQUAL TRK_PUBLISHER)
  message(FATAL_ERROR "TRK_PUBLISHER is \"${TRK_PUBLISHER}\", but the signing certificate's subject is "
    "\"${subject}\". The package's Publisher must be the subject exactly; configure with "
    "-DTRK_PUBLISHER=\"${subject}\".")
endif()

execute_process(COMMAND ${Python3_EXECUTABLE} ${TRK_SIGNING_SCRIPT} leaf-hash ${TRK_SIGN_CERTIFICATE} ${password_option}
  OUTPUT_VARIABLE TRK_SIGN_LEAF_HASH OUTPUT_STRIP_TRAILING_WHITESPACE)

set(TRK_SIGN_COMMAND ${Python3_EXECUTABLE} ${TRK_SIGNING_SCRIPT} sign ${TRK_SIGN_CERTIFICATE} ${password_option})
if(TRK_SIGN_TIMESTAMP)
  list(APPEND TRK_SIGN_COMMAND --timestamp ${TRK_SIGN_TIMESTAMP})
endif()
