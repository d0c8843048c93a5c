#pragma once
// A message signed by the development-only key and by the throwaway test key (keys/), made once with
// `openssl dgst -sha256 -sign KEY -binary | base64`; and both public keys.

namespace fixtures {

constexpr char kSignedMessage[] = "Kestrane update 20991231";
constexpr wchar_t kDevelopmentSignature[] =
    LR"(
wn8cOsoskIeuf6M3B0/2cGfyokiS/RiyJfHw1zz6WTma74MI0smV4Vn3KsS4cawXrpuI92DRVF7P
1EUyxshZ0F5IAp2lEN8dEO+cLN0sE6hoMjE1fzpvsqvZD2xjCG+i99VJjKZxfit5T68Wr5VE4zTN
vYXzlXhDNc7k3OTnlEFxMkT5vy3VFvBBwlJQAOX9unL0dx3MfQLskw9Rb9qZvWaHuobndw4M7wct
IqdLHSC8gmbr/SHUqWARcirhAsG0AjxO2LE9wzzbt3tRjEnePOnHrsKyCh5mrlqJe40EpiK2b6gI
K1y+L7/eRBiOGiXYHqtUs6J/yjRMDelGn1PCmyluqRk6dJGgmPBLozcYHbHQisSxKnj0QeSVXXrW
d7phP1FBCUHP/iQhbB0KK+gCG/zScF4rxQECCWSDqL2q6e+BwNF1hgNay14K56al2rX7vttBio4J
RIqC9k1ckR8Mj90L3HaBYs4Ibj08BaqDF63oH4YBMqZCebU1vh6ef9pK
)";
constexpr wchar_t kOtherKeySignature[] =
    LR"(
U1UFeY3OENBrFSxx3Kr0itrJhnNmKEo4oDtfhqinctiEI0x/+RQju8COqCAgWDxv+YlAMLcCrCfP
byOLD3F8jSWTHWyprwXqX4IM9l7ygaSI9aAFaC9VHdT2wD3r8XZ03q/ThRKTRAEzKs2lcT7fTzDz
oLVcp/Pjizy632VGcsE3e1oaOjCG02mjmh+PAOlnOqb5x9RDNItzvQ3VzNISqD6YsGwMSthgRMqx
P3CFFtiaDrgWlFVc2I8Wkr2aGuY7rJ7QQMlxlExFg0PeaKX5ZAYsFG2X4M+tszAKRGyNQ9Wds2xT
IcS54aa7tO4AeNKKEttJM7Mo0UcgnlnfuPP0R604jJ+wDn/RIS3dMiI8Qr4UNwBgq6M5Mtti9uOq
XoB2HMwwJdhy8D8gyTSZZnMQGn8fv4M7XV5oNbXA4Pms4Kpv7+gyDHC97WbqYJC+EHw1Uqah6+/l
DXHJDkJSDGRkt6f/bnU2UzWbz+mjHPve6G5Nka4w3sk5GcbVTb9fIn5Q
)";
constexpr char kDevelopmentPublicKey[] = R"(
-----BEGIN PUBLIC KEY-----
MIIBojANBgkqhkiG9w0BAQEFAAOCAY8AMIIBigKCAYEAw6Zchu2ZA93XYuYuZ6J2
b6Q+SDpEjElocMk/3VB8b3ZYJHafK4AMJy45tW2eAo8QcmWUsuX0In1JJ208SENZ
8KRIPfLLXDfqIJ9TldxnPWcm9Nrj78uUYr/pf+4kdQiBJ6c+QdPAQu3/jfTt2kAz
kSidtVzG9ap/4D4L0kxTRAZUdHg7hMx9CokkgNji9Ki4MJx0XcJjAo6BG9LVhWaq
t8DvhJGwy0zKspV2HvDTbgKlEqYiC+4zQiHyp7d8YFE0eDbb76UHXt8lC7XJHWmQ
lhqzW6lspSVaTr6zITSIOE46j2s7MPMWb/8LAudBQzJXHNbDwcdKj4SBAG/xdSFK
cc+E8y+REpEnJ0G/vYLa1VkQhI1inJvZEyPdkJVHc4xPjbZ3JD6vHbbGsuvi+ud+
zVKCN4e3Slfprsv+9Dg2yzZ0XoG6B7GH0D1td0ASRZe2XYktigi68ujBGg+919JF
I7g73ZUX9YxK8bNehTBER8Zz+q3ua/4Awlby08PLM94hAgMBAAE=
-----END PUBLIC KEY-----
)";
constexpr char kOtherPublicKey[] = R"(
-----BEGIN PUBLIC KEY-----
MIIBojANBgkqhkiG9w0BAQEFAAOCAY8AMIIBigKCAYEAypFAlcsxcKRe/pVULOnc
PIuLhRzKqCZiL4ZLBilVjOlQL3nf+SdOc0cT0OyaI4ABMBD6RC3A0ooQyE3wQY5h
oTFiWvPMsqj96fJIZ0OEJKEfgfa9sbpXf7K0+W0EWbGCAHjV0u0giWK8wW2z6IRt
15l7Udd5ygjMCXWKWfLdGfnLlTE3vGrfe+TKCPXfQRPFr9RhLKNrikKPyjIjhaPh
g9OUN0SVGhpIA0D/Lo4/s68Jbovuoh9mcbemH685OKpOxekl6TF/bHQtdzeuqLdq
aVagr6EdQFbPag0wTMShS/E75l2/cs9pXrfcvl9igGJF/eWkYf7naq+Q2KRR2H0a
Zf7hcCEKOYis/LExYEZP4nZo/ZmokyEW400Mf/9xNG5avQMX/5CcANzSqxy6rBFJ
z9iEbvuqfPS2Qa4of4HCNBsL3q8a8zYhFyvPD4uXsep4Ovz+yVFsgOeQ6vL08CrO
8MjeYjUxXtr5MfxsybsLAhU3gnCvXtYQqZkywZTh5Ae7AgMBAAE=
-----END PUBLIC KEY-----
)";

}  // namespace fixtures
