# The maker's own sites. No HOSTS line may block the protected domains, and
# every address the program opens or downloads from is on the maker's host.
# Shared by the cross build and the native one (fuzz/).
set(SITEMOAT_PROTECTED_DOMAIN_1 "sitemoat.example" CACHE STRING "First protected domain")
set(SITEMOAT_PROTECTED_DOMAIN_2 "sitemoat-update.example" CACHE STRING "Second protected domain")
set(SITEMOAT_MAKER_HOST "www.sitemoat.example" CACHE STRING "Host of the maker's web and update site")
