Chat : Base | Transport | Security | Extras ;

Transport : Tcp | Local ;

Security : Encryption | [Authentication] ;

Encryption : [Caesar] | [Reverse] ;

Extras : [History] | [Color] | [Spamfilter] | [Emoticons] ;
