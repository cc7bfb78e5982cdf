# Run by CPack on its staging directory before the Debian package is made: adds the files Debian
# asks of every package (copyright, a compressed changelog) and compresses the man pages.
set(stage "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
set(share "${stage}${CPACK_PACKAGING_INSTALL_PREFIX}/share")
set(doc "${share}/doc/${CPACK_PACKAGE_NAME}")
file(MAKE_DIRECTORY "${doc}")
file(COPY_FILE "${CPACK_VELTRIX_PACKAGING_DIR}/copyright" "${doc}/copyright")
file(COPY_FILE "${CPACK_VELTRIX_PACKAGING_DIR}/changelog.Debian" "${doc}/changelog.Debian")

find_program(GZIP gzip REQUIRED)
file(GLOB manuals "${share}/man/man1/*.1")
foreach(file "${doc}/changelog.Debian" ${manuals})
  # -n: no name or time stamp, so the package is the same on every build.
  execute_process(COMMAND "${GZIP}" -9nf "${file}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
