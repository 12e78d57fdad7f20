<?php
// The whitelist arrives as a strategy document: percent-decoded by PHP's
// form parser, Base64, AES-256-ECB under the space-padded key, then XML of
// a fixed shape.
sim_require_method('POST');
$encoded = $_POST['strategies'] ?? null;
if (!is_string($encoded) || $encoded === '') {
    sim_refuse('strategies: missing');
}
$cipher = base64_decode($encoded, true);
if ($cipher === false || $cipher === '' || strlen($cipher) % 16 !== 0) {
    sim_refuse('strategies: not Base64 of whole cipher blocks');
}
$key = str_pad('pelrok', 32, ' ');
$xml = openssl_decrypt($cipher, 'aes-256-ecb', $key, OPENSSL_RAW_DATA);
if ($xml === false) {
    sim_refuse('strategies: does not decrypt under the key');
}
$doc = new DOMDocument();
if (!@$doc->loadXML($xml)) {
    sim_refuse('strategies: not well-formed XML');
}

function child_elements(DOMNode $node): array
{
    $out = [];
    foreach ($node->childNodes as $c) {
        if ($c->nodeType === XML_ELEMENT_NODE) {
            $out[] = $c;
        }
    }
    return $out;
}

function check_list(DOMElement $list): array
{
    $names = array_map(fn($e) => $e->nodeName, child_elements($list));
    if ($names !== ['User', 'IP', 'IPMAC', 'Card']) {
        sim_refuse($list->nodeName . ': User, IP, IPMAC, Card expected');
    }
    $values = [];
    foreach (child_elements($list) as $e) {
        $values[$e->nodeName] = $e->textContent;
    }
    return $values;
}

$root = $doc->documentElement;
if ($root->nodeName !== 'Strategies' || count(child_elements($root)) !== 1) {
    sim_refuse('document: one Strategies element with one Strategy expected');
}
$strategy = child_elements($root)[0];
if ($strategy->nodeName !== 'Strategy' || $strategy->getAttribute('type') !== 'Auth') {
    sim_refuse('Strategy: type="Auth" expected');
}
$parts = child_elements($strategy);
if (array_map(fn($e) => $e->nodeName, $parts) !== ['AuthType', 'WhiteList', 'BlackList']) {
    sim_refuse('Strategy: AuthType, WhiteList, BlackList expected');
}
$authType = $parts[0]->textContent;
$white = check_list($parts[1]);
check_list($parts[2]);
$addresses = $white['IP'] === '' ? [] : explode(';', $white['IP']);
if ($authType === 'None' && $addresses !== []) {
    sim_refuse('AuthType None with addresses');
}
if ($authType === 'IP' && $addresses === []) {
    sim_refuse('AuthType IP without addresses');
}
if ($authType !== 'None' && $authType !== 'IP') {
    sim_refuse('AuthType: None or IP expected');
}
foreach ($addresses as $a) {
    if (!sim_is_address($a)) {
        sim_refuse('WhiteList IP: not an address: ' . $a);
    }
}
sim_with_state(function (array &$state) use ($addresses, $authType) {
    $state['whitelist'] = $addresses;
    $state['auth_type'] = $authType;
});
sim_answer(200, 'OK');
